#pragma once
// Working state of one dispatch run, held by the window while the run lasts.
#include "app/FDispatch.h"
#include "dispatch/FailureLog.h"
#include "dispatch/Rules.h"

#include <QStringList>

namespace fd {

struct FDispatch::DispatchRunState {
    QString relative;          // part of the input path repeated by numbered folders
    long long lastIndex = -1;  // files to dispatch minus one
    int failureCount = 0;
    bool directPicking = false;
    bool reloaded = false;
    bool lastTransferOk = false;
    long long folder = 1;      // current numbered folder
    long long inFolder = 0;    // turns already given to it (direct picking)
    long long shareSize = 1;   // files per folder in prepared order
    QString nextFolder;        // the folder after the last one used
    bool deferredReport = false;
    bool pickerReady = false;
    DirectPicker picker;
    FailureLog log;
    bool sameContentDone = false;
    bool stopped = false;      // a rule ended the passes early
};

} // namespace fd
