-- Reference NHI catalogue, one table per kind of NHI item. Prices are kept as the published
-- decimal text; readers convert them to amounts.

-- Drugs. StartDate and EndDate are Gregorian yyyymmdd.
CREATE TABLE medicine (
  INSUcode TEXT COLLATE NOCASE,
  Ename TEXT COLLATE NOCASE,
  Cname TEXT COLLATE NOCASE,
  price TEXT COLLATE NOCASE,
  content TEXT COLLATE NOCASE,
  complex TEXT COLLATE NOCASE,
  oral TEXT COLLATE NOCASE,
  StartDate TEXT COLLATE NOCASE,
  EndDate TEXT COLLATE NOCASE,
  DXtype TEXT COLLATE NOCASE,
  ATCcode TEXT COLLATE NOCASE
);
CREATE INDEX medicine_INSUcode ON medicine (INSUcode);

-- Medical services and fees. StartDate and EndDate are Gregorian yyyymmdd (29101231: open).
CREATE TABLE OPD (
  INSUcode TEXT COLLATE NOCASE,
  Ename TEXT COLLATE NOCASE,
  CNAME TEXT COLLATE NOCASE,
  price TEXT COLLATE NOCASE,
  StartDate TEXT COLLATE NOCASE,
  EndDate TEXT COLLATE NOCASE,
  INSUMARK TEXT COLLATE NOCASE,
  MEMONOTE TEXT COLLATE NOCASE
);
CREATE INDEX OPD_INSUcode ON OPD (INSUcode);

-- Special materials. StartDate and EndDate are ROC dates yyy/mm/dd.
CREATE TABLE material (
  INSUcode TEXT COLLATE NOCASE,
  OBJECTNAME TEXT COLLATE NOCASE,
  price TEXT COLLATE NOCASE,
  StartDate TEXT COLLATE NOCASE,
  EndDate TEXT COLLATE NOCASE,
  INSUMARK TEXT COLLATE NOCASE
);
CREATE INDEX material_INSUcode ON material (INSUcode);

-- Smoking-cessation drugs.
CREATE TABLE QuitSmoke (
  INSUcode TEXT COLLATE NOCASE,
  ENAME TEXT COLLATE NOCASE,
  Cname TEXT COLLATE NOCASE,
  price TEXT COLLATE NOCASE,
  content TEXT COLLATE NOCASE
);
CREATE INDEX QuitSmoke_INSUcode ON QuitSmoke (INSUcode);

-- Vaccines. STARTDATE is Gregorian yyyymmdd; selfprice is the self-pay price.
CREATE TABLE Vaccine (
  INSUcode TEXT COLLATE NOCASE,
  Sname TEXT COLLATE NOCASE,
  ENAME TEXT COLLATE NOCASE,
  DXtype TEXT COLLATE NOCASE,
  price TEXT COLLATE NOCASE,
  selfprice TEXT COLLATE NOCASE,
  MEMONOTE TEXT COLLATE NOCASE,
  STARTDATE TEXT COLLATE NOCASE,
  DXSALES TEXT COLLATE NOCASE,
  SPECIFICATION TEXT COLLATE NOCASE,
  SPEUNIT TEXT COLLATE NOCASE
);
CREATE INDEX Vaccine_INSUcode ON Vaccine (INSUcode);
