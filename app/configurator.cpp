#include "app/configurator.h"

#include "app/event_dispatch.h"
#include "config/handlers.h"

namespace kavrel {

Configurator::Configurator(ImageSet images, std::string programFolder)
    : images_(std::move(images)),
      ui_(images_),
      link_(ui_, std::move(programFolder)),
      files_(new SettingsFileMenu(ui_)) {
    HandlerTable handlers;
    for (const HandlerEntry& entry : kHandlers) {
        handlers[entry.control] = [this, handler = entry.handler] {
            RunHandler(handler, link_, ui_);
        };
    }
    ConnectHandlers(ui_.Main(), handlers);
}

void Configurator::Show() {
    ui_.Main().ShowCentredOnScreen();
}

}  // namespace kavrel
