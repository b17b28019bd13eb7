// kavrel-configurator: reads, writes and inspects the settings of a Kavrel unit.
#include <QApplication>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "app/close_on_signal.h"
#include "app/configurator.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName("Kavrel");  // where the last settings folder is kept
    QApplication::setApplicationName("kavrel-configurator");

    std::string failure;
    std::optional<kavrel::ImageSet> images = kavrel::DecodeImageSet(failure);
    if (!images) {
        std::cerr << "kavrel-configurator: " << failure << '\n';
        return 1;
    }
    std::unique_ptr<kavrel::Configurator> configurator;
    try {
        configurator = std::make_unique<kavrel::Configurator>(std::move(*images));
    } catch (const std::exception& error) {
        std::cerr << "kavrel-configurator: the main window cannot be created: " << error.what()
                  << '\n';
        return 1;
    }
    kavrel::CloseOnSignal closeOnSignal(configurator->Ui().Main());
    configurator->Show();
    // A settings file given to open, as a file manager does on a double click.
    if (const QStringList arguments = QApplication::arguments(); arguments.size() > 1) {
        configurator->Files().OpenFile(arguments.at(1));
    }
    return QApplication::exec();
}
