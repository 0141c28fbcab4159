#pragma once

// Values of the reference catalogue MX.MDB as the catalogue builders store them: prices, the
// date forms of its tables, and the columns a drug row takes from the medicine table.

#include <cstdint>
#include <string>
#include <string_view>

namespace zuvo {

class RecordSet;

// A reference price: the text read as a number (0 when it is not one), held in single
// precision as the reference catalogue keeps it, in ten-thousandths. The sign is kept.
int64_t ReferencePrice(std::string_view text);

// A date of the reference table OPD, "20230101" → "1120101": the number in the first four
// characters less 1911 in three digits, then characters 5 to 10. A shorter text stays as it is.
std::string OpdReferenceDate(std::string_view text);

// A date of the reference table material, "112/01/01" → "1120101": the 7th and then the 4th
// character deleted.
std::string MaterialReferenceDate(std::string_view text);

// The Big5 text of `field` in the current row of `row`; empty when the set is past its end or
// has no such field.
std::string ReferenceText(const RecordSet& row, std::string_view field);

// Writes into the MX row being edited or appended the columns a drug takes from its reference
// medicine row `medicine` (current row): content, IsComPlex ("Y" in complex), OralTablet (oral),
// DXtype and ATCcode trimmed, StartDate and EndDate as they are, INSUmark empty. True when the
// reference marks an oral liquid sold by the bottle (oral "a1"), which the caller gives the
// status bit, the unit bot and the dose unit ml.
bool WriteMedicineColumns(RecordSet& mx, const RecordSet& medicine);

// Empties the columns a row that no reference medicine row describes leaves empty: content,
// OralTablet, DXtype and ATCcode; IsComPlex false.
void ClearMedicineColumns(RecordSet& mx);

}  // namespace zuvo
