-- Fills the ICD-9-CM to ICD-10-CM map from the staged general equivalence mapping. Rows without
-- a target (NoDx) and rows whose target is no longer an ICD-10-CM code are left out, so that
-- every ICD10CMCODE is a code of the diagnosis database.

INSERT INTO CM (ICD9CMCODE, ICD10CMCODE, FLAGS)
  SELECT icd9cm, icd10cm, flags FROM icd9_to_icd10cm_csv
  WHERE icd10cm <> 'NoDx' AND icd10cm_in_tw2023 = 'Y'
  ORDER BY rowid;
