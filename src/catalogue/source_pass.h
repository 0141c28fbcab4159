#pragma once

// One pass of a catalogue build over a source table, with the step's progress display.

#include <filesystem>
#include <functional>
#include <string_view>

#include "core/step_context.h"
#include "workspace/source_table.h"

namespace zuvo {

// Copies the source table `name` into the work tree and opens it (SourceTable::Open, which
// throws Error as it says), then calls `visit` for each record in order. The progress total is
// the table's record count; after each record the gauge and the done count show the records
// read so far, and every `events_every` records (never for 0) pending events are processed.
void PassOverSourceTable(const std::filesystem::path& source_folder, std::string_view name,
                         const std::filesystem::path& work_tree, StepContext& context,
                         long events_every, const std::function<void(const SourceTable&)>& visit);

}  // namespace zuvo
