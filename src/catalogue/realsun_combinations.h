#pragma once

// The RealSun clinic's combination orders ("組合"): for each diagnosis up to eight numbered
// groups of orders, kept in Z\TREAT.DBF. They become order sets of the work tree's
// Corvix/PERSONAL.mdb (MXset, MXquick, DXtoMX), by way of the work table MXquick of the work
// tree's ANTCHECK.MDB.

#include "catalogue/realsun_catalogue.h"
#include "core/step_context.h"

namespace zuvo {

// Group numbers a diagnosis can have, 1 to kCombinationGroups.
inline constexpr int kCombinationGroups = 8;

// Reads TREAT.DBF against the catalogue BuildRealSunCatalogue made (OPD.mdb MX and DX) and
// data.ini [DUPMX], [DXcodefix] and [UseMethodFix]. Each order found becomes a row of
// ANTCHECK.MDB's MXquick; each diagnosis a DXtoMX row of PERSONAL.mdb, whose checkStatus has bit
// n-1 set for each group n that has orders, and each such group an MXset row named after the
// first 24 bytes of the diagnosis name + "_" + n with its orders in MXquick. Orders and
// diagnoses that are not found are listed ("OPD.mdb找不到組合處置:[" + code + "] ",
// "OPD找不到組合診斷:[" + code + "] ") and skipped; an unreadable frequency is listed
// ("組合使用不明頻率語法:[" + text + "]"). `files.now` dates the set items. Throws Error for a
// missing table or database.
void BuildRealSunCombinations(const RealSunCatalogueFiles& files, StepContext& context);

}  // namespace zuvo
