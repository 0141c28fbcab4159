#pragma once

// Readable descriptions of what the stores hold, for inspect: a tree of named values (UTF-8,
// Big5 texts converted, undecodable bytes shown as \xNN) that the caller renders as text or
// JSON. Damaged records are described as far as they can be read, with the problem named.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/chart_reader.h"
#include "core/store_location.h"

namespace zuvo {

class Description {
 public:
  enum class Kind { kText, kNumber, kBool, kObject, kArray };

  static Description Text(std::string utf8);
  static Description Number(int64_t value);
  static Description Real(double value);  // NaN and infinities become text
  static Description Bool(bool value);
  static Description Object() { return Description(Kind::kObject); }
  static Description Array() { return Description(Kind::kArray); }

  // Adds a member to an object; returns *this for chaining.
  Description& Add(std::string name, Description value);
  // Adds an element to an array.
  Description& Push(Description value);

  Kind kind() const { return kind_; }
  // The value of a text, number or bool as it is shown ("12", "true", the text).
  const std::string& scalar() const { return scalar_; }
  const std::vector<std::pair<std::string, Description>>& members() const { return members_; }
  const std::vector<Description>& elements() const { return elements_; }

 private:
  explicit Description(Kind kind) : kind_(kind) {}
  Kind kind_;
  std::string scalar_;
  std::vector<std::pair<std::string, Description>> members_;
  std::vector<Description> elements_;
};

// The record of `number` with all its fields, note and checksum state.
Description DescribePatient(const StoreLocation& store, int32_t number);
// The entry at `position`, every block with its fields.
Description DescribeEntry(ChartFileSet& files, ChartPosition position);
// The patient's chain from the record's head, newest first, and how the walk ended.
Description DescribeHistory(const StoreLocation& store, int32_t number);
// The day's chain (`day` a day number), newest first, against the day record's count.
Description DescribeDay(const StoreLocation& store, int32_t day);
// The day index: first day, append point and every day record that is not zero.
Description DescribeDayIndex(const StoreLocation& store);

}  // namespace zuvo
