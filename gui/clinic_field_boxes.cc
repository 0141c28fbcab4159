#include "clinic_field_boxes.h"

#include "text_fields.h"

namespace zuvo::gui {

void ClinicFieldBoxes::Read(RunFields& fields) const {
  ClinicFolderFields& folder = fields.folder;
  folder.source_folder = ToPath(source_folder->text());
  folder.clinic_name = ToBig5(clinic_name->text());
  folder.clinic_id = ToBig5(clinic_id->text());
  folder.his = ToBig5(his->text());
  folder.work_tree = ToPath(work_tree->text());
  folder.start_date = ToBig5(start_date->text());
  folder.pharmacist_name = ToBig5(pharmacist_name->text());
  folder.pharmacist_id = ToBig5(pharmacist_id->text());
  fields.chart.split_date = ToBig5(split_date->text());
}

void ClinicFieldBoxes::Show(const RunFields& fields) const {
  const ClinicFolderFields& folder = fields.folder;
  source_folder->setText(FromPath(folder.source_folder));
  clinic_name->setText(FromBig5(folder.clinic_name));
  clinic_id->setText(FromBig5(folder.clinic_id));
  his->setText(FromBig5(folder.his));
  work_tree->setText(FromPath(folder.work_tree));
  start_date->setText(FromBig5(folder.start_date));
  pharmacist_name->setText(FromBig5(folder.pharmacist_name));
  pharmacist_id->setText(FromBig5(folder.pharmacist_id));
  split_date->setText(FromBig5(fields.chart.split_date));
}

}  // namespace zuvo::gui
