#pragma once

// A monthly claim archive (source folder/02/<yyymm>XML.zip) opened into a scratch folder, and
// its claim document TOTFA.XML read from there.

#include <filesystem>
#include <string>
#include <string_view>

namespace zuvo {

inline constexpr std::string_view kClaimDocumentName = "TOTFA.XML";

struct ClaimArchiveRead {
  enum class Status {
    kDocument,    // `document` holds TOTFA.XML
    kRefused,     // a member would land outside the scratch folder; nothing was extracted
    kNoDocument,  // the archive holds no TOTFA.XML at its top
  };
  Status status = Status::kNoDocument;
  std::filesystem::path document_file;  // the extracted TOTFA.XML (kDocument)
  std::string document;                 // its bytes (kDocument)
  std::string refusal;                  // why the archive was refused (kRefused), UTF-8
};

// Empties `scratch` (removing it), extracts every member of `archive` into it and reads the
// claim document, found without regard to letter case. Members whose names would escape the
// folder are refused before anything is written. Throws Error naming the archive when it is
// damaged, and when the scratch folder cannot be emptied.
ClaimArchiveRead ReadClaimArchive(const std::filesystem::path& archive,
                                  const std::filesystem::path& scratch);

}  // namespace zuvo
