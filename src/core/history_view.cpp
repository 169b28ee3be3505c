#include "core/history_view.h"

namespace {

ShowHistoryEntryFunction g_historyView = nullptr;

} // namespace

void SetHistoryView(ShowHistoryEntryFunction show) noexcept { g_historyView = show; }

ShowHistoryEntryFunction HistoryView() noexcept { return g_historyView; }
