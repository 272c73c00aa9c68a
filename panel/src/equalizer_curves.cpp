// The equalizer page's custom curves: save, delete, choose and import.
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>

#include "equalizer_page.h"
#include "message_box.h"
#include "oro/eq/curve_csv.h"
#include "oro/eq/curve_fit.h"

namespace oro::panel {
namespace {

eq::Gains GainsOf(const common::PropertyBlock3& b3) {
  eq::Gains g{};
  for (std::size_t k = 0; k < g.size(); ++k) g[k] = b3.Gain(k);
  return g;
}

}  // namespace

void EqualizerPage::ListCurves() {
  ui_.comboBox->clear();
  const eq::CurveImage& image = curves_.Image();
  for (const eq::Curve& c : image.curves) ui_.comboBox->addItem(QString::fromStdWString(c.name));
  if (image.current >= 0 && static_cast<std::size_t>(image.current) < image.curves.size()) {
    ui_.comboBox->setCurrentIndex(image.current);
  }
}

void EqualizerPage::SaveCurve() {
  if (!EqualizerOn()) return;
  const auto saved = curves_.Save(ui_.comboBox->currentText().toStdWString(), GainsOf(context_.blocks.Block3()));
  switch (saved.status) {
    case eq::CurveStore::SaveStatus::kFull:
      ShowMessage(this, QString(), QString::fromLatin1(eq::kTooManyCurvesMessage));
      return;
    case eq::CurveStore::SaveStatus::kWriteFailed:
      ShowMessage(this, QString(), tr("The curve could not be saved: %1").arg(QString::fromStdString(saved.error)));
      return;
    case eq::CurveStore::SaveStatus::kAdded:
      ui_.comboBox->addItem(QString::fromStdWString(curves_.Image().curves[saved.index].name));
      break;
    case eq::CurveStore::SaveStatus::kReplaced:
      break;
  }
  ui_.comboBox->setCurrentIndex(saved.index);
}

void EqualizerPage::DeleteCurve() {
  if (!EqualizerOn()) return;
  const QString name = ui_.comboBox->currentText();
  const auto deleted = curves_.Delete(name.toStdWString());
  if (!deleted.error.empty()) {
    ShowMessage(this, QString(), tr("The curve could not be deleted: %1").arg(QString::fromStdString(deleted.error)));
    return;
  }
  const int entry = ui_.comboBox->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (entry >= 0) ui_.comboBox->removeItem(entry);
  ui_.comboBox->setCurrentIndex(curves_.Image().curves.empty() ? -1 : curves_.Image().current);
}

void EqualizerPage::ChooseCurve(const QString& name) {
  if (!EqualizerOn()) return;
  const std::optional<eq::Gains> gains = curves_.Choose(name.toStdWString());
  if (!gains) {
    ShowMessage(this, QString(), QStringLiteral("not found"));
    return;
  }
  for (std::size_t k = 0; k < gains->size(); ++k) context_.blocks.Block3().SetGain(k, (*gains)[k]);
  ShowGains();
}

void EqualizerPage::ChooseImportFile() {
  if (!EqualizerOn()) return;
  const QString path = QFileDialog::getOpenFileName(this, tr("Import a headphone correction curve"), QString(),
                                                    tr("Curves (*.csv *.txt);;All files (*)"));
  if (!path.isEmpty()) ImportCurve(path);
}

bool EqualizerPage::ImportCurve(const QString& path) {
  const eq::CsvCurve curve = eq::ReadCurveCsv(path.toStdString());
  if (!curve.error.empty()) {
    ShowMessage(this, QString(), tr("The curve cannot be imported: %1").arg(QString::fromStdString(curve.error)));
    return false;
  }
  const eq::BandFit fit = eq::FitBands(curve.points);
  if (!fit.error.empty()) {
    ShowMessage(this, QString(), tr("The curve cannot be imported: %1").arg(QString::fromStdString(fit.error)));
    return false;
  }
  const QString name = QFileInfo(path).completeBaseName();
  const auto saved = curves_.Save(name.toStdWString(), fit.gains);
  if (saved.status == eq::CurveStore::SaveStatus::kFull) {
    ShowMessage(this, QString(), QString::fromLatin1(eq::kTooManyCurvesMessage));
    return false;
  }
  if (saved.status == eq::CurveStore::SaveStatus::kWriteFailed) {
    ShowMessage(this, QString(), tr("The curve could not be saved: %1").arg(QString::fromStdString(saved.error)));
    return false;
  }
  ListCurves();
  fit_label_->setText(tr("Remaining error %1 dB RMS (%2 dB at most)")
                          .arg(fit.rms_error_db, 0, 'f', 1)
                          .arg(fit.max_error_db, 0, 'f', 1));
  for (std::size_t k = 0; k < fit.gains.size(); ++k) context_.blocks.Block3().SetGain(k, fit.gains[k]);
  ShowGains();
  return true;
}

}  // namespace oro::panel
