#include "ui/history_grid.h"

void AddGridRow(const std::string& timeKey, const std::string& text, const ByteSet& picture, const std::string& files)
{
}
