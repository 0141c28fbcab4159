#pragma once

// The databases a catalogue build works on: the work tree's Corvix/OPD.mdb and PERSONAL.mdb made
// afresh from the blank templates of the program folder, and the reference catalogue MX.MDB.

#include <filesystem>

#include "platform/table_store.h"

namespace zuvo {

struct NewCatalogue {
  Database opd;           // Corvix/OPD.mdb, its DX rows deleted
  Database mx_reference;  // MX.MDB of the program folder, read only
  RecordSet mx;           // OPD.mdb's MX table, open for writing

  // Replaces OPD.mdb and PERSONAL.mdb by copies of OPDbak.mdb and PERSONALbak.mdb ("delete from
  // DX" run on the new OPD.mdb) and opens the three. Throws Error for a missing template or
  // reference file and for a work-tree file that cannot be replaced.
  static NewCatalogue Make(const std::filesystem::path& program_folder,
                           const std::filesystem::path& work_tree);
};

}  // namespace zuvo
