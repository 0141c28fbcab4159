#pragma once

// Small stores for the chart tests, made with the engine's own writers.

#include <cstring>
#include <initializer_list>
#include <string>

#include "core/chart_entry.h"
#include "core/patient_store.h"

namespace zuvo::testing {

inline void WritePatients(const StoreLocation& store, std::initializer_list<int32_t> numbers) {
  for (int32_t number : numbers) {
    PatientRecord record;
    record.Set(patient_field::kNumber, number);
    record.Set(patient_field::kPaymentClass, '3');
    WritePatient(store, record, "");
  }
}

// A visit with a chart text, two diagnoses and one order line.
inline ChartEntry Visit(int32_t patient, double date_time, char payment_class = '3') {
  ChartEntry entry;
  entry.visit.Set(visit_field::kPatientNumber, patient);
  entry.visit.Set(visit_field::kVisitDateTime, date_time);
  entry.visit.Set(visit_field::kPaymentClass, payment_class);
  entry.visit.Set(visit_field::kVisitFlags, kVisitFlagsBase);
  entry.chart_text = "CC";
  for (const char* code : {"J00", "R05"}) {
    DiagnosisRecord diagnosis;
    diagnosis.Set(diagnosis_field::kCode, code);
    entry.diagnoses.push_back(diagnosis);
  }
  OrderLine line;
  line.record.Set(order_field::kInsuranceCode, "A000000100");
  entry.orders.push_back(line);
  return entry;
}

inline std::string DoubleBytes(double value) {
  std::string bytes(8, '\0');
  std::memcpy(bytes.data(), &value, 8);  // the test machines are little-endian
  return bytes;
}

}  // namespace zuvo::testing
