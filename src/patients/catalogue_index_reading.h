#pragma once

// Filling a CatalogueIndex from the catalogue table `MX` of a work tree's OPD.mdb, once per run.

#include <filesystem>

#include "patients/catalogue_index.h"
#include "platform/table_store.h"

namespace zuvo {

// Reads the index columns of every `MX` row in stored order. A character that Big5 cannot hold
// becomes the substitute mark (such a name matches no phrase of a Big5 source table). Throws
// Error naming the database when the table or a column is missing.
CatalogueIndex ReadCatalogueIndex(Database& database);

// The same, from the database file `opd_mdb` (opened only for the read). Throws Error naming
// the file when it is missing or not a database.
CatalogueIndex ReadCatalogueIndex(const std::filesystem::path& opd_mdb);

}  // namespace zuvo
