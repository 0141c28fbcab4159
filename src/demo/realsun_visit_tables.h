#pragma once

// The visit tables of the RealSun demo clinic: the yearly visit tables Z\plut<n>.dbf, the
// monthly claim tables S\xp<yyymm>.DBF and the monthly health-card upload tables
// IC\ic<yyymm>.dbf. Deterministic from the seed.
//
// The tables fit the rest of the source folder: the order codes are the DRUG_NO values of
// Z\DRUG.DBF, the diagnosis codes the CODE values of Z\SICK.DBF, the patients the named rows of
// S\PATDB.DBF (chart number = row number) and the doctor the DR_NAME of S\TITLE.DBF, each when
// the folder holds the table, else a small set of the generator's own.
//
// The ordinary clinic carries the cases the chart conversion has rules for: "A"- and "B"-year
// dates, visits without claim rows (TYPE "1", TYPE "A" without BP, others), card uploads on the
// visit's day and on another day, adult health checks IC21–IC28 over two stages (and a second
// stage without a first), other preventive-care cards, newborns on a parent's card (the last two
// patients; with a [DUPID] entry when PATDB.DBF gives the newborn its parent's ID), unknown
// doctors and RealSun's placeholder names "護士小姐" and "耀 聖", a visit with all 28 order slots
// filled, usage texts marked "X" (free) and "S" (ground), unknown order codes and frequencies,
// complaints ending in " Y", a fee ("100") or a card order code, chronic refills with and without
// a CARD1 column, repeated dispensings, referrals, emergency visits, a month whose claim table is
// missing. The scale form writes plain visits only, for benchmarks.

#include <cstdint>
#include <filesystem>

namespace zuvo::demo {

struct RealSunVisitTableOptions {
  // 0: the ordinary clinic. Otherwise the scale form: this many visits from 2016 to 2021 with
  // four order slots each, a claim row for nine visits in ten and a card upload for every other.
  int scale_visits = 0;
  // Without S\PATDB.DBF the visits go to chart numbers 2 .. patients + 1.
  int patients = 24;
};

struct RealSunVisitTableCounts {
  int visits = 0;
  int claim_rows = 0;
  int upload_rows = 0;
  int visit_tables = 0;
};

RealSunVisitTableCounts WriteRealSunVisitTables(const std::filesystem::path& folder, uint32_t seed,
                                                const RealSunVisitTableOptions& options = {});

}  // namespace zuvo::demo
