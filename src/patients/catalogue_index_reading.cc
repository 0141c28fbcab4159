#include "patients/catalogue_index_reading.h"

namespace zuvo {

CatalogueIndex ReadCatalogueIndex(Database& database) {
  RecordSet rows = database.OpenTable(kCatalogueTable);
  rows.First();
  bool substituted = false;
  return IndexCatalogue([&](IndexedCatalogueRow& row) {
    if (rows.Eof()) return false;
    row.Tname = rows.TextBig5Substituted(kCatalogueIndexColumns[0], &substituted);
    row.Sname = rows.TextBig5Substituted(kCatalogueIndexColumns[1], &substituted);
    row.INSUcode = rows.TextBig5Substituted(kCatalogueIndexColumns[2], &substituted);
    row.order_class = rows.TextBig5Substituted(kCatalogueIndexColumns[3], &substituted);
    rows.Next();
    return true;
  });
}

CatalogueIndex ReadCatalogueIndex(const std::filesystem::path& opd_mdb) {
  Database database = Database::Open(opd_mdb);
  return ReadCatalogueIndex(database);
}

}  // namespace zuvo
