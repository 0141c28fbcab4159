#pragma once

// Where a conversion writes. Below the program folder each clinic has a clinic folder (its
// data.ini lives there across runs) and in it one dated work tree per folder choice, holding the
// new Tolsern (server) and Corvix (front-end) folders:
//
//   program folder / VISW / <code> / <ROC date>_1 / {Tolsern, Corvix}      Vision
//   program folder / RS / <code> / <ROC date>_1 or _2 / ...                 RealSun, by mode
//   program folder / <system name> / <code> / <ROC date>_H / ...            HIS search
//   work tree / Tolsern / <code> /                                          server data folder
//
// A second work tree of the same kind made on the same day, beside one that holds a conversion,
// carries a serial after the suffix: "<ROC date>_1-2", "<ROC date>_1-3", ... (so "_2" stays the
// RealSun mode "before": "<ROC date>_2-2" is the second tree of that mode).

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/store_location.h"

namespace zuvo {

inline constexpr std::string_view kVisionArea = "VISW";
inline constexpr std::string_view kRealSunArea = "RS";
inline constexpr std::string_view kServerFolderName = "Tolsern";
inline constexpr std::string_view kFrontEndFolderName = "Corvix";
// The clinic's catalogue database in the front-end folder (also the name of a ready-made one in
// the clinic folder).
inline constexpr std::string_view kCatalogueFileName = "OPD.mdb";

enum class WorkTreeKind { kVision, kRealSunOnAndAfter, kRealSunBefore, kHisSearch };

// "_1", "_1", "_2", "_H".
std::string_view WorkTreeSuffix(WorkTreeKind kind);

// Why a clinic code (Big5) cannot name a folder, as a message for the operator (UTF-8); empty
// when it can. Refused: an empty code, blanks or control characters, the characters
// \ / : * ? " < > |, a code of dots only, and bytes that are not Big5 text. This keeps every
// clinic folder inside its area of the program folder.
std::optional<std::string> ClinicCodeProblem(std::string_view code);

// program folder / area / code. `area` is UTF-8 ("VISW", "RS" or a system name); `code` must
// pass ClinicCodeProblem (else Error).
std::filesystem::path ClinicFolder(const std::filesystem::path& program_folder,
                                   std::string_view area, std::string_view code);
// clinic folder / (roc_date + suffix), the day's first work tree of `kind`.
std::filesystem::path WorkTreeFolder(const std::filesystem::path& clinic_folder,
                                     std::string_view roc_date, WorkTreeKind kind);
// clinic folder / (roc_date + suffix + "-" + serial), the day's `serial`th work tree of `kind`
// (serial 1: WorkTreeFolder).
std::filesystem::path WorkTreeFolder(const std::filesystem::path& clinic_folder,
                                     std::string_view roc_date, WorkTreeKind kind, int serial);
// A work tree's name without the serial of a second or later tree of its day: "1070326_2-3"
// gives "1070326_2". A name whose "-<digits>" does not follow "_1", "_2" or "_H" is returned as
// it is.
std::string_view WorkTreeNameWithoutSerial(std::string_view name);
// work tree / Tolsern / trimmed code.
std::filesystem::path ServerDataFolder(const std::filesystem::path& work_tree,
                                       std::string_view code);

// The patient and chart stores of a work tree: the server data folder of the trimmed clinic code
// (Big5) and work tree / Tolsern / PTdata.ind (an existing index in any letter case wins). Every
// step finds a work tree's store through this.
StoreLocation WorkTreeStoreLocation(const std::filesystem::path& work_tree, std::string_view code);

// The clinic stores a work tree holds: the folders of its Tolsern that hold store files
// (HoldsStoreFiles). A folder without any (another program's, a readme) is no store.
std::vector<std::filesystem::path> WorkTreeStoreFolders(const std::filesystem::path& work_tree);

// work tree / Corvix / OPD.mdb (an existing file of that name in any letter case wins).
std::filesystem::path WorkTreeCatalogue(const std::filesystem::path& work_tree);

// Creates the work tree with its Tolsern and Corvix folders and every missing parent; folders
// that exist already are kept. Throws Error when a folder cannot be made.
void CreateWorkTree(const std::filesystem::path& work_tree);

}  // namespace zuvo
