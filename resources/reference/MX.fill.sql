-- Fills the reference catalogue from the staged CSV files (one staged table per file, named
-- after it with the suffix _csv, every column text, rows in file order).

INSERT INTO medicine (INSUcode, Ename, Cname, price, content, complex, oral, StartDate, EndDate,
                      DXtype, ATCcode)
  SELECT INSUcode, Ename, Cname, price, content, complex, oral, StartDate, EndDate, DXtype, ATCcode
  FROM medicine_csv ORDER BY rowid;

-- The NHI fee schedule: one point is one dollar; dates stay Gregorian.
INSERT INTO OPD (INSUcode, Ename, CNAME, price, StartDate, EndDate, INSUMARK, MEMONOTE)
  SELECT code, name_en, name_zh, points, start_date, end_date, '', note
  FROM nhi_fee_schedule_csv ORDER BY rowid;

INSERT INTO material (INSUcode, OBJECTNAME, price, StartDate, EndDate, INSUMARK)
  SELECT INSUcode, OBJECTNAME, price, StartDate, EndDate, INSUMARK FROM material_csv ORDER BY rowid;

INSERT INTO QuitSmoke (INSUcode, ENAME, Cname, price, content)
  SELECT INSUcode, ENAME, Cname, price, content FROM QuitSmoke_csv ORDER BY rowid;

INSERT INTO Vaccine (INSUcode, Sname, ENAME, DXtype, price, selfprice, MEMONOTE, STARTDATE, DXSALES,
                     SPECIFICATION, SPEUNIT)
  SELECT INSUcode, Sname, ENAME, DXtype, price, selfprice, MEMONOTE, STARTDATE, DXSALES,
         SPECIFICATION, SPEUNIT
  FROM Vaccine_csv ORDER BY rowid;
