#pragma once

// Chronic-disease marks in bulk ("輸入慢性病碼"): each row of DXlong, in orderNo order, gives a
// chronic code ("01".."99"; "XX" clears the mark, "??" leaves it) to the DX codes from the first
// one starting with begCode up to endCOde.

#include <string_view>

#include "core/step_context.h"
#include "core/step_result.h"
#include "platform/table_store.h"

namespace zuvo {

// The memo rule of a DXlong row: a memo without "rule7" lets every code through; with it, only
// codes longer than 6 characters whose 7th character occurs in the upper-cased memo from its
// 6th character on ("rule7AD" lets through codes whose 7th character is A or D).
bool PassesMemoRule(std::string_view memo, std::string_view code);

// Applies DXlong to DX. Every DXlong row is checked before anything is written, so a table with
// a bad row changes nothing: an unknown code ("慢性病碼錯誤 " + code), a begCode after its
// endCOde, or a begCode that starts no code of DX stops the run with its message box
// (kStopped). Otherwise every range is applied in one transaction, the orderNo of each shown
// as the count done, and "輸入完成" is shown (kDone).
StepResult ApplyChronicRanges(Database& database, StepContext& context);

}  // namespace zuvo
