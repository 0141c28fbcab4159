-- Fills the diagnosis database from the staged CSV files (one staged table per file, named after
-- it with the suffix _csv, every column text, rows in file order).

-- The whole publication, in its own order.
INSERT INTO ICD10 (ICDcode, Ename, Cname)
  SELECT code, name_en, name_zh FROM icd10cm_csv ORDER BY rowid;

-- The pick list offers the reportable codes only, in code order; names exactly as published.
INSERT INTO DX (ICD10, Ename, Cname)
  SELECT code, name_en, name_zh FROM icd10cm_csv WHERE billable = '1' ORDER BY code;

-- Common primary-care diagnoses come listed, with short names, departments and keywords.
UPDATE DX
  SET bList = 1, common = 1, Sname = pick.Sname, clinicTypes = pick.clinicTypes,
      keyword = pick.keyword, recTime = CAST(pick.recTime AS REAL)
  FROM dx_pick_list_csv AS pick
  WHERE DX.ICD10 = pick.ICD10;

-- NHI surgery codes to ICD-10-PCS (the PCS names are not published with the map).
INSERT INTO PCS (ICD10, INSUcode)
  SELECT pcs_code, nhi_code FROM icd10pcs_to_nhi_csv ORDER BY rowid;
