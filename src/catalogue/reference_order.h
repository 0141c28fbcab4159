#pragma once

// Look-ups in the reference NHI catalogue MX.MDB (tables medicine, OPD, material, QuitSmoke,
// Vaccine) and the order class that goes with the table a code was found in.

#include <string>
#include <string_view>

namespace zuvo {

class Database;

struct ReferenceOrder {
  std::string table;  // "medicine", "OPD", "material", "QuitSmoke", "Vaccine"; empty: none
  std::string
      english_name;  // Big5, normalised: "ACETAMINOPHEN 500MG TAB" → "Acetaminophen 500mg tab"
  // The reference name held characters that Big5 cannot; each became "？".
  bool name_substituted = false;
};

// Looks `code` (Big5) up in the tables of `mx` in the order medicine (Ename), OPD (Ename, else
// CNAME), material (OBJECTNAME), QuitSmoke (ENAME), Vaccine (ENAME); the first table whose row
// with this INSUcode has a non-blank name answers. The name is cut to 24 bytes (never inside a
// character), trimmed, its letters lowered, a leading double quote removed and the first letter
// raised. An empty code, or one no table names, gives an empty result.
ReferenceOrder LookupReferenceOrder(Database& mx, std::string_view code);

// Brings an order class into line with the reference table its code was found in: medicine
// keeps oral/drop/inj/topical (else oral), OPD keeps OPD/operate/special (else OPD), material
// is always material, QuitSmoke keeps oral/topical (else oral), Vaccine keeps oral/inj (else
// inj); an empty or other table leaves the class as it is.
std::string ClassByReferenceTable(std::string_view table, std::string_view order_class);

}  // namespace zuvo
