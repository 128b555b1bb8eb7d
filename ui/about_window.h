// The version window: the program's icon, name, version and author from its
// own version resource, and links to the maker's pages. The download window
// creates it on first use and then only shows it again, modeless.
#pragma once

#include <functional>
#include <string>

#include "ui/controls.h"

namespace kc {

class TAboutForm : public ui::Form {
 public:
  TAboutForm();
  ~TAboutForm() override;

  ui::Picture ImageMain;
  ui::Picture ImageSub;  // the icon at its own size (hidden)
  ui::Label LabelTitle;
  ui::Label LabelVersion;
  ui::Label LabelCopyLeft;
  ui::Label LabelLatest;
  ui::Label Label3;
  ui::Label LabelRequests;
  ui::Label Label4;
  ui::Button BtnCancel;

  void FormCreate();
  void Label3Click();
  void Label4Click();
  void BtnCancelClick();

  // Opens a web address (the system's "open" action; tests replace it).
  std::function<void(const std::string&)> OpenAddress;

  // Shows the window without blocking, centred on owner.
  void ShowCentredOn(const ui::Form& owner);
};

}  // namespace kc
