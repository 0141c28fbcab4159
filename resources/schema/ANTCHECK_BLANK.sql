-- Blank work database: copied to a work tree as ANTCHECK.MDB by the visit pre-pass and by the
-- RealSun orders step.

-- Newest record of each patient in CC.rd and MXdo.mx (0-based record numbers).
CREATE TABLE CClink (
  Chartno INTEGER,
  lastFileLoc INTEGER DEFAULT 0
);
CREATE UNIQUE INDEX CClink_Chartno ON CClink (Chartno);

CREATE TABLE MXlink (
  Chartno INTEGER,
  lastFileLoc INTEGER DEFAULT 0
);
CREATE UNIQUE INDEX MXlink_Chartno ON MXlink (Chartno);

-- Combination orders of a RealSun clinic, one row per order of a numbered group of a diagnosis.
CREATE TABLE MXquick (
  classID INTEGER DEFAULT 0,
  INSUcode TEXT COLLATE NOCASE,
  sCode TEXT COLLATE NOCASE,
  oCode TEXT COLLATE NOCASE,
  sName TEXT COLLATE NOCASE,
  defDose INTEGER DEFAULT 0,
  defUnit TEXT COLLATE NOCASE,
  dose INTEGER DEFAULT 0,
  Unit TEXT COLLATE NOCASE,
  rate TEXT COLLATE NOCASE,
  route TEXT COLLATE NOCASE,
  days INTEGER DEFAULT 0,
  total CURRENCY DEFAULT 0,
  totalunit TEXT COLLATE NOCASE,
  addition INTEGER DEFAULT 0,
  cost REAL DEFAULT 0,
  price REAL DEFAULT 0,
  pertimeN INTEGER DEFAULT 0,
  perTimeU TEXT COLLATE NOCASE,
  mode INTEGER DEFAULT 0,
  status INTEGER DEFAULT 0,
  note TEXT COLLATE NOCASE,
  rateIndex REAL DEFAULT 0,
  DXname TEXT COLLATE NOCASE,
  SubSetNo INTEGER DEFAULT 0
);
CREATE INDEX MXquick_DXname ON MXquick (DXname, SubSetNo);
