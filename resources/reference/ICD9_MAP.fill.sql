-- Fills the ICD-9-CM to ICD-10-CM map from the staged general equivalence mapping. Only rows
-- whose target is a reportable code of the current ICD-10-CM edition are kept: rows without a
-- target (NoDx), targets retired since, and targets that have since become category headers
-- (272.4 → E784, now split into E7841 and E7849) would put a code into charts that no claim
-- accepts. ICD-9 codes left without a row are reported by the chart conversion.

INSERT INTO CM (ICD9CMCODE, ICD10CMCODE, FLAGS)
  SELECT icd9cm, icd10cm, flags FROM icd9_to_icd10cm_csv
  WHERE icd10cm IN (SELECT code FROM icd10cm_csv WHERE billable = '1')
  ORDER BY rowid;
