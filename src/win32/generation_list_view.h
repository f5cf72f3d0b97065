#pragma once

#include "restore/restore_texts.h"

#include <windows.h>

#include <vector>

namespace rv::win32 {

// The restore window's list of generations: a report view with the core's
// three columns, one row picked at a time, the whole row selected.
HWND createGenerationListView(HWND parent, int id);

// Sizes the columns for the list's rows and its width, once it has its size.
void fitGenerationColumns(HWND list);

// Replaces the rows with lines, none picked.
void fillGenerationListView(HWND list, const std::vector<GenerationLine>& lines);

} // namespace rv::win32
