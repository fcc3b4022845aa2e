#pragma once
#include "platform/Shell.h"

namespace fd {

// Real dialogs and launches.
class QtShell : public Shell {
public:
    Answer message(const QString &text, const QString &title, Icon icon, Buttons buttons,
                   Answer defaultButton) override;
    QString input(const QString &prompt, const QString &title, const QString &defaultText) override;
    QString chooseFolder(const QString &title, const QString &initialFolder, bool newStyle) override;
    void beep() override;
    QString saveFile(const QString &title, const QString &suggested) override;
    void openFolder(const QString &folder) override;
    void showFileSelected(const QString &file) override;
    void openUrl(const QString &url) override;
    void openFile(const QString &file) override;
    void startProgram(const QString &program, const QString &parameters) override;
};

// Makes the real dialogs the process's shell.
void useRealDialogs();

} // namespace fd
