#pragma once
// Loops that click, found in the samples an export writes, and mended there on request.

#include <optional>
#include <string>
#include <vector>

#include "export/export_set.h"
#include "export/loop_junction.h"

namespace tolvane {

enum class LoopMending { kNameOnly, kSnap };

// A looped sample whose junction clicks.
struct ClickingLoop {
  std::string instrument;  // the first instrument of the export that plays it looped
  std::string sample;      // both Windows-1252, as the list shows them
  LoopPoints loop;
  LoopJunction junction;
  bool snapAsked = false;
  std::optional<LoopPoints> snapped;  // where the file's loop now lies, when it was mended
};

// Every sample of the set's groups that some member plays looped (a zone with the loop flag)
// and whose loop clicks, in group and sample order. With kSnap the loop points the set writes
// (ExportGroup::loops) are moved where SnapLoop finds a place; without, the set is unchanged.
std::vector<ClickingLoop> CheckExportLoops(ExportSet& set, LoopMending mending);

// "Piano: loop 100-525 of sample 'Piano C4' clicks (a jump of 20000 in value); snapped to
// 100-500", in Windows-1252.
std::string ClickingLoopText(const ClickingLoop& loop);

}  // namespace tolvane
