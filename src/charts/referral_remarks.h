#pragma once

// Referral remarks of the consultation lines 01036C/01037C (referral form) and 01038C (referral
// reply): the electronic referral files of Vision's NHI_REF folder, indexed by the pre-pass as
// "A" or "B" + national ID + date (yyyymmdd) + sequence digit = file name. Each file serves one
// order line per run; several files of one day serve several lines in turn.

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "charts/vision_prepass_files.h"
#include "core/message_sink.h"

namespace zuvo {

class InstitutionList;

enum class ReferralKind { kForm, kReply };

// The referral kind an NHI order code asks for; empty for other codes.
std::optional<ReferralKind> ReferralKindOf(std::string_view insurance_code);

// "<type><institution><department><h30><h8><h33><purpose><有效期限period>" from the children of
// `etadata` (lines child=value).
std::string ReferralFormRemark(const std::vector<std::string>& elements,
                               const InstitutionList& institutions);
// "<h1><不明><h6><h7><h9><h10><h11>" from the children of `etbdata`.
std::string ReferralReplyRemark(const std::vector<std::string>& elements);

// The remark RealSun gives a referral line of a visit referred to `institution_name` (Big5):
// "<醫院><name><科別><醫師>< >< >< >< >" for a form, "<1234567890123456><name>< >< >< >< >< >" for
// a reply.
std::string RealSunReferralRemark(ReferralKind kind, const std::string& institution_name);

// Hands out the remarks of the referral files listed in the pre-pass's index.
class ReferralRemarks {
 public:
  ReferralRemarks(std::filesystem::path referral_folder, ReferralIndex index,
                  const InstitutionList& institutions);

  // The remark for a line of `kind` of the patient with `national_id` on `visit_date_western`
  // (yyyymmdd); the file used is taken out of the index. Empty, after listing why through
  // `sink`, when the index has no file for that day (or every file of it served earlier lines).
  std::optional<std::string> Take(ReferralKind kind, std::string_view national_id,
                                  std::string_view visit_date_western, const MessageSink& sink);

 private:
  std::string RemarkOf(ReferralKind kind, const std::string& file_name) const;

  std::filesystem::path folder_;
  ReferralIndex index_;
  const InstitutionList& institutions_;
  std::set<std::string> used_keys_;
};

}  // namespace zuvo
