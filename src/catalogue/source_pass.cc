#include "catalogue/source_pass.h"

namespace zuvo {

void PassOverSourceTable(const std::filesystem::path& source_folder, std::string_view name,
                         const std::filesystem::path& work_tree, StepContext& context,
                         long events_every, const std::function<void(const SourceTable&)>& visit) {
  SourceTable source = SourceTable::Open(source_folder, name, work_tree, context);
  DbfTable& table = source.table();
  context.SetTotal(table.RecordCount());
  long read = 0;
  for (table.First(); !table.Eof(); table.Next()) {
    visit(source);
    context.SetGauge(++read);
    context.SetDone(read);
    if (events_every > 0 && read % events_every == 0) context.ProcessEvents();
  }
}

}  // namespace zuvo
