#pragma once
#include <QVector>

namespace fd {

class FDispatch;
struct RunEntry;

// Puts run-list entries 0..lastIndex in stable ascending order of their keys'
// numeric value. False (and nothing sorted) when lastIndex does not fit 16 bits.
bool SortRunList(FDispatch &w, QVector<RunEntry> &list, long long lastIndex);

} // namespace fd
