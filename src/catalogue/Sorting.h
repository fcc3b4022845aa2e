#pragma once
#include <QVector>
#include <functional>

namespace fd {

class FDispatch;
struct RunEntry;

// Puts run-list entries 0..lastIndex in stable ascending order of their keys'
// numeric value. False (and nothing sorted) when lastIndex does not fit 16 bits.
bool SortRunList(FDispatch &w, QVector<RunEntry> &list, long long lastIndex);

// The list orders a run asks for, as the click rules of OptA and numeric order
// set them; yield runs between slices of a long sort.
void applyListOrder(FDispatch &w, const std::function<void()> &yield);
void sortListOnNumber(FDispatch &w, const std::function<void()> &yield);

} // namespace fd
