#pragma once

#include <QObject>
#include <QString>

class QAction;

namespace kavrel {

class QtUserInterface;

// Settings files in wndMain, beside its own controls: "Сохранить настройки в файл…"
// and "Открыть файл настроек…" in a context menu (a right click anywhere but an edit
// field), on Ctrl+S and Ctrl+O, and a file dropped on the window opened. None of them does
// anything while wndMain refuses input (an operation or a secondary window is open). The
// dialogs start in the folder used last, else the user's documents.
class SettingsFileMenu final : public QObject {
  public:
    explicit SettingsFileMenu(QtUserInterface& ui);

    void Save();
    void Open();
    // Opens `path` into the form as a read of its bytes would leave it.
    void OpenFile(const QString& path);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool TakesInput() const;
    QString StartFolder() const;
    void RememberFolder(const QString& path);

    QtUserInterface& ui_;
    QAction* save_;
    QAction* open_;
};

}  // namespace kavrel
