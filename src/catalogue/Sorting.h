#pragma once
#include <QVector>
#include <functional>

namespace fd {

class Port;
struct RunEntry;

// Puts run-list entries 0..lastIndex in stable ascending order of their keys'
// numeric value. False (and nothing sorted) when lastIndex does not fit 16 bits.
bool SortRunList(Port &port, QVector<RunEntry> &list, long long lastIndex);

// The list orders a run asks for, as the click rules of OptA and numeric order
// set them; yield runs between slices of a long sort.
void applyListOrder(Port &port, const std::function<void()> &yield);
void sortListOnNumber(Port &port, const std::function<void()> &yield);

} // namespace fd
