#include "anonymiser_box.h"

#include <QGridLayout>
#include <chrono>

#include "form_builder.h"
#include "maintenance/anonymise_clinic.h"
#include "text_fields.h"

namespace zuvo::gui {

namespace {

uint32_t ClockSeed() {
  return static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

}  // namespace

AnonymiserBox::AnonymiserBox(WorkbenchEnvironment& environment, QWidget* parent)
    : QWidget(parent),
      environment_(environment),
      CreplacePTpanel(new ProgressPanel(kAnonymiserPanelNames, this)),
      context_(environment.flags, *CreplacePTpanel, environment.prompts, *this),
      seed_(ClockSeed) {
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  CreplacePTclinic = AddField(grid, 0, 0, "CreplacePTclinic", "要霧化的診所代號");
  CreplacePTdata = MakeButton("CreplacePTdata", "霧化病人個資");
  grid->addWidget(CreplacePTdata, 1, 0, 1, 2);
  grid->addWidget(CreplacePTpanel, 2, 0, 1, 2);
  connect(CreplacePTdata, &QPushButton::clicked, this, &AnonymiserBox::CreplacePTdataClick);
}

void AnonymiserBox::CreplacePTdataClick() {
  if (busy_) return;
  busy_ = true;
  RunGuarded(environment_, this, [&] {
    LiveClinicAnonymisation input{ToBig5(CreplacePTclinic->text()), seed_(), {}};
    context_.ClearLines();
    zuvo::AnonymiseLiveClinic(input, environment_.CurrentWorkplace(), context_);
  });
  busy_ = false;
}

}  // namespace zuvo::gui
