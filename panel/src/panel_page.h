// Base of the twelve pages of the window's stack. A page owns its form and
// reaches the library, the blocks and the preferences only through the
// context.
#pragma once

#include <QWidget>

#include "panel_context.h"

namespace oro::panel {

class PanelPage : public QWidget {
  Q_OBJECT

 public:
  PanelPage(PanelContext& context, QWidget* parent) : QWidget(parent), context_(context) {}

  // Runs once from the window's initialisation, after the blocks are loaded
  // and sent: connects the controls and shows the blocks.
  virtual void SetUp() {}
  // Puts the live values of the blocks back into the widgets.
  virtual void ShowValues() {}
  // Re-applies the form's texts (the current translation), then the values.
  virtual void Retranslate() = 0;
  // Runs from the shutdown sequence before the record is released: stops the
  // page's timers, watchers and helper threads.
  virtual void Stop() {}

 protected:
  PanelContext& context_;
};

}  // namespace oro::panel
