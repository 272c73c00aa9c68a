// No text of the panel is cut: every label, button and check box of the
// window, its twelve pages and the three dialogs fits its text in both
// languages, measured with the widget's own font after its style sheet.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QStackedWidget>
#include <QTest>

#include "about_dialog.h"
#include "panel_fixture.h"
#include "settings_dialog.h"
#include "tips_dialog.h"

namespace oro::test {
namespace {

// What does not fit in `root`, one line per widget.
QStringList Clipped(QWidget* root) {
  QStringList faults;
  auto report = [&faults](QWidget* w, const QString& text, const QSize& need) {
    faults << QStringLiteral("%1 \"%2\": needs %3x%4, has %5x%6")
                  .arg(w->objectName(), text)
                  .arg(need.width())
                  .arg(need.height())
                  .arg(w->width())
                  .arg(w->height());
  };
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  widgets.prepend(root);
  for (QWidget* w : widgets) {
    // What the set-up hides is never shown (a layout would not even have
    // placed it); what a user can see is measured.
    if (!w->isVisibleTo(root)) continue;
    w->ensurePolished();
    if (auto* label = qobject_cast<QLabel*>(w)) {
      const QString text = label->text();
      if (text.isEmpty() || label->textFormat() == Qt::RichText) continue;
      const QFontMetrics fm(label->font());
      const QRect room = label->contentsRect();
      const int flags = static_cast<int>(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
      const QRect need = fm.boundingRect(QRect(0, 0, room.width(), 10000), flags, text);
      if (need.width() > room.width() || need.height() > room.height()) report(label, text, need.size());
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      if (button->text().isEmpty()) continue;
      // The size hint is the text's advance plus the style sheet's padding,
      // the indicator of a check box and the icon.
      const QSize need = button->sizeHint();
      if (need.width() > button->width() || QFontMetrics(button->font()).height() > button->height()) {
        report(button, button->text(), need);
      }
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
      const QFontMetrics fm(combo->font());
      for (int i = 0; i < combo->count(); ++i) {
        // Room left of the drop-down arrow.
        const int room = combo->width() - 36;
        if (fm.horizontalAdvance(combo->itemText(i)) > room) {
          report(combo, combo->itemText(i), {fm.horizontalAdvance(combo->itemText(i)) + 36, fm.height()});
        }
      }
    }
  }
  return faults;
}

class LayoutTest : public PanelTest, public ::testing::WithParamInterface<int> {};

TEST_P(LayoutTest, EveryTextOfTheWindowAndItsPagesFits) {
  SetDword(L"language", static_cast<std::uint32_t>(GetParam()));
  Window();
  window_->show();
  QTest::qWait(20);
  auto* stack = Find<QStackedWidget>("stackedWidget");
  QStringList faults;
  for (int page = 0; page < stack->count(); ++page) {
    window_->ShowPage(page);
    QApplication::processEvents();
    for (const QString& fault : Clipped(window_.get())) {
      if (!faults.contains(fault)) faults << fault;
    }
  }
  EXPECT_TRUE(faults.isEmpty()) << faults.join('\n').toStdString();
}

TEST_P(LayoutTest, EveryTextOfTheDialogsFits) {
  SetDword(L"language", static_cast<std::uint32_t>(GetParam()));
  Window();
  const bool english = GetParam() != 0;
  panel::SettingsDialog settings(*settings_, window_->Context().language, window_.get());
  panel::AboutDialog about(english, window_.get());
  panel::TipsDialog tips(*settings_, window_.get());
  for (QDialog* dialog :
       {static_cast<QDialog*>(&settings), static_cast<QDialog*>(&about), static_cast<QDialog*>(&tips)}) {
    dialog->show();
    QApplication::processEvents();
    const QStringList faults = Clipped(dialog);
    EXPECT_TRUE(faults.isEmpty()) << dialog->objectName().toStdString() << ":\n" << faults.join('\n').toStdString();
    dialog->hide();
  }
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, LayoutTest, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param == 0 ? "Chinese" : "English"; });

}  // namespace
}  // namespace oro::test
