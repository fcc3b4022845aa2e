// The two help buttons of the main window open the help document and the tester.
#include "app/FDispatch.h"
#include "regex_tester/FRex.h"

#include <QPushButton>

namespace fd {

void FDispatch::wireRegexTester()
{
    connect(CmdHelp, &QPushButton::clicked, this, &FDispatch::CmdHelp_Click);
    connect(CmdRex2, &QPushButton::clicked, this, &FDispatch::CmdRex2_Click);
}

void FDispatch::CmdHelp_Click() { showRegexTester(this); }

void FDispatch::CmdRex2_Click() { showRegexTester(this); }

} // namespace fd
