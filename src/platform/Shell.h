#pragma once
// Every modal dialog, beep and launch of another program goes through Shell,
// so tests can script the answers and record what the user would have seen.
#include <QString>
#include <memory>

namespace fd {

enum class Icon { None, Information, Warning, Critical, Question };
enum class Buttons { Ok, OkCancel, RetryCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Retry, Yes, No };

class Shell {
public:
    virtual ~Shell() = default;

    // Modal message box; answers the button pressed (closing the box = Cancel / No / Ok).
    virtual Answer message(const QString &text, const QString &title, Icon icon,
                           Buttons buttons = Buttons::Ok, Answer defaultButton = Answer::Ok) = 0;
    // Input box; the empty text when the user cancels.
    virtual QString input(const QString &prompt, const QString &title,
                          const QString &defaultText = QString()) = 0;
    // Modal folder chooser; the empty text when cancelled.
    // newStyle allows creating folders; otherwise only existing file-system folders.
    virtual QString chooseFolder(const QString &title, const QString &initialFolder,
                                 bool newStyle) = 0;
    virtual void beep() = 0;
    // Save-file chooser; the empty text when cancelled. Without a dialog of its own
    // a shell asks through the input box.
    virtual QString saveFile(const QString &title, const QString &suggested)
    {
        return input(QStringLiteral("保存为："), title, suggested);
    }

    virtual void openFolder(const QString &folder) = 0;       // file manager on a folder
    virtual void showFileSelected(const QString &file) = 0;   // file manager, file selected
    virtual void openUrl(const QString &url) = 0;             // web page
    virtual void openFile(const QString &file) = 0;           // default application
    virtual void startProgram(const QString &program, const QString &parameters) = 0;
};

// The process-wide shell: the one set, else the real dialogs once the window
// has installed them, else one that shows nothing and answers each default.
Shell &shell();
// Replaces the shell (not owned); nullptr restores the real one.
void setShell(Shell *s);
// The real dialogs (not owned), installed by the window's side of the program.
void setRealShell(Shell *s);

} // namespace fd
