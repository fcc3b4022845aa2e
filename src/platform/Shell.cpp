#include "platform/Shell.h"

namespace fd {

namespace {

// Without a window nothing can be shown: every question takes its default.
class SilentShell : public Shell {
public:
    Answer message(const QString &, const QString &, Icon, Buttons, Answer defaultButton) override
    {
        return defaultButton;
    }
    QString input(const QString &, const QString &, const QString &defaultText) override { return defaultText; }
    QString chooseFolder(const QString &, const QString &, bool) override { return QString(); }
    void beep() override {}
    void openFolder(const QString &) override {}
    void showFileSelected(const QString &) override {}
    void openUrl(const QString &) override {}
    void openFile(const QString &) override {}
    void startProgram(const QString &, const QString &) override {}
};

SilentShell g_silent;
Shell *g_shell = nullptr;
Shell *g_real = nullptr;

} // namespace

Shell &shell()
{
    if (g_shell)
        return *g_shell;
    return g_real ? *g_real : g_silent;
}

void setShell(Shell *s) { g_shell = s; }
void setRealShell(Shell *s) { g_real = s; }

} // namespace fd
