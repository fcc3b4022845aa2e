#pragma once
// Message processing on a time budget for long loops: the window processes its
// messages when about 10 ms have passed since it last did, so a run over many
// small files does not spend its time repainting, yet stays as responsive.
namespace fd::pace {

// Milliseconds between turns of message processing.
constexpr int kBudgetMs = 10;

// True when the budget since the last processing is spent.
bool due();
// Processes the window's messages now and starts a new budget.
void now();
// Processes them when due; true when it did.
bool ifDue();

} // namespace fd::pace
