#pragma once

// A monthly claim archive (source folder/02/<yyymm>XML.zip) opened into a scratch folder, and
// its claim document TOTFA.XML read from there.

#include <filesystem>
#include <string>
#include <string_view>

namespace zuvo {

inline constexpr std::string_view kClaimDocumentName = "TOTFA.XML";

// What one month's archive may expand to. The claims of a month of a clinic of 50,000 patients
// come to some 25 MB; an archive that expands to more is damaged or hostile, and is neither
// extracted further nor read.
inline constexpr unsigned long long kMaxClaimArchiveBytes = 64ULL << 20;

struct ClaimArchiveRead {
  enum class Status {
    kDocument,    // `document` holds TOTFA.XML
    kRefused,     // a member would land outside the scratch folder; nothing was extracted
    kNoDocument,  // the archive holds no TOTFA.XML at its top
    kTooLarge,    // the members expand to more than the limit; nothing of it is left
    kUnreadable,  // the archive is damaged, cut off or no zip archive; nothing of it is left
  };
  Status status = Status::kNoDocument;
  std::filesystem::path document_file;  // the extracted TOTFA.XML (kDocument)
  std::string document;                 // its bytes (kDocument)
  std::string refusal;  // why the archive was not read (kRefused, kTooLarge, kUnreadable), UTF-8
};

// Empties `scratch` (removing it), extracts every member of `archive` into it, never more than
// `max_bytes` in all, and reads the claim document, found without regard to letter case. Members
// whose names would escape the folder are refused before anything is written. Throws Error when
// the scratch folder cannot be emptied or written.
ClaimArchiveRead ReadClaimArchive(const std::filesystem::path& archive,
                                  const std::filesystem::path& scratch,
                                  unsigned long long max_bytes = kMaxClaimArchiveBytes);

}  // namespace zuvo
