#include "maintenance/anonymise_patients.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "core/binary_file.h"
#include "core/patient_store.h"
#include "maintenance/name_pools.h"
#include "maintenance/national_id.h"
#include "platform/big5.h"

namespace zuvo {
namespace {

constexpr int32_t kProgressEvery = 1000;

// What the clinic's records hold before anything changes: the name parts, and the real names
// and IDs that no patient may be given.
struct RealPatients {
  NamePools pools;
  std::unordered_set<std::string> names;
  std::unordered_set<std::string> ids;
};

RealPatients CollectRealPatients(const StoreLocation& store) {
  RealPatients real;
  ForEachPatientSlot(store, [&](const PatientSlot& slot, const PatientRecord& record) {
    if (!slot.Valid()) return;
    const std::string name = record.Get(patient_field::kName);
    real.pools.Offer(name);
    if (std::string trimmed = big5::Trim(name); !trimmed.empty()) real.names.insert(trimmed);
    real.ids.insert(big5::UpperAscii(big5::Trim(record.Get(patient_field::kNationalId))));
  });
  return real;
}

// The long notes lie after the records, and every rewrite of a long note leaves its older copy
// there. Zeroes that whole area but for the notes of `kept` slots (slots the anonymiser leaves
// as they are).
void WipeNoteArea(BinaryFile& file, const std::vector<uint64_t>& kept) {
  if (file.size() <= kPatientFileRecordsSize) return;
  const uint64_t area = file.size() - kPatientFileRecordsSize;
  std::string wiped(static_cast<size_t>(area), '\0');
  for (uint64_t note : kept) {
    if (note < kPatientFileRecordsSize || note >= file.size() || file.size() - note < 4) continue;
    char word[4];
    file.ReadAt(note, 4, word);
    const uint64_t length =
        std::min<uint64_t>(4 + static_cast<uint32_t>(LoadI32(word)), file.size() - note);
    file.ReadAt(note, static_cast<size_t>(length), wiped.data() + (note - kPatientFileRecordsSize));
  }
  file.WriteAt(kPatientFileRecordsSize, wiped);
}

// When the pools hold no free name (a clinic of very few name characters): "霧化" + the patient
// number, unique among the new names.
std::string FallbackName(int32_t number) { return big5::Literal("霧化") + std::to_string(number); }

class PatientFaker {
 public:
  PatientFaker(const RealPatients& real, std::mt19937& random) : real_(real), random_(random) {}

  void Fake(int32_t number, PatientRecord& record, PatientTextScrubber& mentions) {
    using namespace patient_field;
    const std::string old_name = big5::Trim(record.Get(kName));
    const std::string old_id = big5::Trim(record.Get(kNationalId));
    std::optional<std::string> name =
        real_.pools.ComposeNotIn([&](size_t n) { return Draw(n); }, real_.names);
    record.Set(kName, name ? *name : FallbackName(number));
    const std::string id = FreshId();
    record.Set(kNationalId, id);
    record.Set(kSex, id[1] == '1' ? 'M' : 'F');
    record.Set(kTelephone, "");
    record.Set(kMobile, "");
    record.Set(kAddress, big5::Literal("台中市"));
    record.Set(kInlineNote, "");
    record.Set(kLongNoteOffset, 0u);
    record.Set(kChecksum, PatientChecksum(record));
    mentions.AddName(old_name, record.Get(kName));
    mentions.AddNationalId(old_id, id);
  }

 private:
  // An index 0..n-1; the plain remainder keeps a seeded run the same on every platform.
  size_t Draw(size_t n) { return static_cast<size_t>(random_() % n); }

  // A valid ID that is no patient's real one and not given before. The IDs of one sex digit
  // number 26 x 10,000,000, far more than a clinic's patients, so the draws end.
  std::string FreshId() {
    while (true) {
      const char letter = static_cast<char>('A' + Draw(26));
      const char sex_digit = Draw(2) == 0 ? '1' : '2';
      std::string id =
          *CompleteNationalId(letter, sex_digit, static_cast<int32_t>(Draw(10'000'000)));
      if (!real_.ids.contains(id) && given_ids_.insert(id).second) return id;
    }
  }

  const RealPatients& real_;
  std::mt19937& random_;
  std::unordered_set<std::string> given_ids_;
};

}  // namespace

AnonymisedPatients AnonymisePatients(const StoreLocation& store, std::mt19937& random,
                                     StepContext& context) {
  const RealPatients real = CollectRealPatients(store);
  PatientFaker faker(real, random);
  AnonymisedPatients result;
  ForEachPatientFile(store, BinaryFile::Mode::kReadWrite, [&](PatientFileRecords& patients) {
    // The long notes of the slots that are not valid but not empty either stay.
    std::vector<uint64_t> foreign_notes;
    patients.ForEachSlot([&](const PatientSlot& slot, PatientRecord& record) {
      if (!slot.Valid()) {
        const uint32_t note = record.Get(patient_field::kLongNoteOffset);
        if (note != 0) foreign_notes.push_back(note);
        return;
      }
      faker.Fake(slot.number, record, result.mentions);
      patients.Replace(slot, record);
      ++result.changed;
      context.SetChartNumber(slot.number);
      if (slot.number % kProgressEvery == 0) context.ProcessEvents();
    });
    patients.WriteBack();
    WipeNoteArea(patients.file(), foreign_notes);
  });
  return result;
}

}  // namespace zuvo
