#pragma once
// Node and branch tables of a small scheme, a scripted message box and scripted dialogs for the tests
// of the element dialogs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <string>

#include "core/base/session.h"
#include "core/base/settings.h"
#include "core/tables/colmaps_scheme.h"
#include "core/tables/layout.h"
#include "support/modal_script.h"
#include "support/scripted_msgbox.h"
#include "support/test_env.h"

namespace ld::test {

class ElemDialogTest : public ::testing::Test {
protected:
  ElemDialogTest() : savedMaket_(MaketFileName), savedProgramDir_(ProgramDir), savedCatalogs_(IniRec.Path) {
    MaketFileName = (DataDir() / "maket.zr").string();
    ProgramDir = dir_.Path().string() + "/";
    IniRec.Path = ProgramDir;
    UserAccess = 1;
    CurrentUserName = "Петров";
  }
  ~ElemDialogTest() override {
    MaketFileName = savedMaket_;
    ProgramDir = savedProgramDir_;
    IniRec.Path = savedCatalogs_;
  }

  // Node rows with their numbers and names; the maps are filled again after every change of rows.
  void MakeNodes(const std::vector<std::pair<int, std::string>>& nodes) {
    ReadMaket("Узлы схемы", nodes_);
    CreateColumns(nodes_, static_cast<int>(nodes.size()));
    FillNodeCols(nodes_, nc_);
    for (std::size_t i = 0; i < nodes.size(); ++i) {
      (*nc_.NS)[static_cast<int>(i) + 1] = nodes[i].first;
      nc_.Name->SetItem(static_cast<int>(i) + 1, nodes[i].second);
    }
  }
  void MakeBranches(const std::vector<std::pair<int, int>>& ends) {
    ReadMaket("Ветви схемы", branches_);
    CreateColumns(branches_, static_cast<int>(ends.size()));
    FillBranchCols(branches_, bc_);
    for (std::size_t i = 0; i < ends.size(); ++i)
      (*bc_.N1)[static_cast<int>(i) + 1] = ends[i].first, (*bc_.N2)[static_cast<int>(i) + 1] = ends[i].second;
  }

  // Types into a field as a person does: the whole old text selected and replaced.
  static void Type(QLineEdit& edit, const QString& text) {
    edit.setFocus();
    edit.selectAll();
    bool ascii = true;
    for (const QChar c : text) ascii = ascii && c.unicode() < 0x80;
    if (text.isEmpty())
      QTest::keyClick(&edit, Qt::Key_Delete);
    else if (ascii)
      QTest::keyClicks(&edit, text);
    else
      edit.insert(text);  // the test library types ASCII only; text fields read every text
  }
  // Pastes over the whole text with Ctrl+V.
  static void Paste(QLineEdit& edit, const QString& text) {
    QApplication::clipboard()->setText(text);
    edit.setFocus();
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
  }
  static QString Text(QWidget& d, const char* name) { return Child<QLineEdit>(d, name).text(); }
  // The texts of the fields (a combo box's current text), joined by "|".
  static QString Texts(QWidget& d, std::initializer_list<const char*> names) {
    QStringList texts;
    for (const char* name : names) {
      auto* combo = d.findChild<QComboBox*>(name);
      texts << (combo != nullptr ? combo->currentText() : Text(d, name));
    }
    return texts.join('|');
  }
  static QComboBox& Combo(QWidget& d, const char* name) { return Child<QComboBox>(d, name); }

  TempDir dir_;
  ScriptedMsgBox msg_;
  ModalScript script_;
  TDataFile nodes_, branches_;
  TNodeCols nc_;
  TBranchCols bc_;

private:
  std::string savedMaket_, savedProgramDir_, savedCatalogs_;
};

}  // namespace ld::test
