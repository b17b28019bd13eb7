#include "app/settings_file_menu.h"

#include <QAction>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QStandardPaths>
#include <filesystem>

#include "app/qt_user_interface.h"
#include "config/settings_file.h"
#include "config/window_texts.h"

namespace kavrel {
namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::filesystem::path LocalPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

constexpr const char* kLastFolderKey = "settingsFiles/lastFolder";

// The one local file a drag carries, or an empty text.
QString DraggedFile(const QMimeData* data) {
    if (data == nullptr || data->urls().size() != 1 || !data->urls().front().isLocalFile()) {
        return {};
    }
    return data->urls().front().toLocalFile();
}

}  // namespace

SettingsFileMenu::SettingsFileMenu(QtUserInterface& ui)
    : QObject(&ui.Main()),
      ui_(ui),
      save_(new QAction(FromUtf8(texts::kSaveSettingsItem), &ui.Main())),
      open_(new QAction(FromUtf8(texts::kOpenSettingsItem), &ui.Main())) {
    MainWindow& window = ui_.Main();
    save_->setShortcut(QKeySequence::Save);
    open_->setShortcut(QKeySequence::Open);
    connect(save_, &QAction::triggered, this, &SettingsFileMenu::Save);
    connect(open_, &QAction::triggered, this, &SettingsFileMenu::Open);
    window.addAction(save_);
    window.addAction(open_);
    // An edit field keeps its own menu; every other control passes the right click on.
    window.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&window, &QWidget::customContextMenuRequested, this, [this](const QPoint& where) {
        if (!TakesInput()) {
            return;
        }
        QMenu menu(&ui_.Main());
        menu.addAction(save_);
        menu.addAction(open_);
        menu.exec(ui_.Main().mapToGlobal(where));
    });
    window.setAcceptDrops(true);
    window.installEventFilter(this);
}

bool SettingsFileMenu::TakesInput() const {
    return ui_.Main().Content().isEnabled();
}

QString SettingsFileMenu::StartFolder() const {
    const QString last = QSettings().value(kLastFolderKey).toString();
    return !last.isEmpty() && QFileInfo(last).isDir()
               ? last
               : QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

void SettingsFileMenu::RememberFolder(const QString& path) {
    QSettings().setValue(kLastFolderKey, QFileInfo(path).absolutePath());
}

void SettingsFileMenu::Save() {
    if (!TakesInput()) {
        return;
    }
    QFileDialog dialog(&ui_.Main(), FromUtf8(texts::kSaveSettingsDialogTitle), StartFolder());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({FromUtf8(texts::kSettingsFileFilter), FromUtf8(texts::kAllFilesFilter)});
    dialog.setDefaultSuffix(FromUtf8(texts::kSettingsFileExtension));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const QString path = dialog.selectedFiles().front();
    RememberFolder(path);
    SaveSettingsFile(ui_, ui_, LocalPath(path));
}

void SettingsFileMenu::Open() {
    if (!TakesInput()) {
        return;
    }
    QFileDialog dialog(&ui_.Main(), FromUtf8(texts::kOpenSettingsDialogTitle), StartFolder());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({FromUtf8(texts::kSettingsFileFilter), FromUtf8(texts::kAllFilesFilter)});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    RememberFolder(dialog.selectedFiles().front());
    OpenFile(dialog.selectedFiles().front());
}

void SettingsFileMenu::OpenFile(const QString& path) {
    OpenSettingsFile(ui_, ui_, LocalPath(path));
}

bool SettingsFileMenu::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString path = DraggedFile(drop->mimeData());
        if (path.isEmpty() || !TakesInput()) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        if (event->type() == QEvent::Drop) {
            RememberFolder(path);
            // After the drop has ended, so that the drag is not held by a box.
            QMetaObject::invokeMethod(
                this, [this, path] { OpenFile(path); }, Qt::QueuedConnection);
        }
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kavrel
