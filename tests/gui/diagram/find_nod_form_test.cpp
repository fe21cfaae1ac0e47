// The node search dialog over a chain of elements: which captions it offers, in which order, and how
// typing, arrow keys and clicks choose one.
#include <QKeyEvent>
#include <QListWidget>
#include <memory>

#include "elem_fixture.h"
#include "gui/diagram/find_nod_form.h"

namespace ld::test {
namespace {

struct Elem {
  explicit Elem(std::string caption) : Caption(std::move(caption)) {}
  std::string Caption;
  Elem* Next = nullptr;
  std::unique_ptr<Elem> Nested;  // an expanded substation's model, never listed
};

class FindNodFormTest : public ::testing::Test {
protected:
  FindNodFormTest() {
    const char* captions[] = {"ТП-5", "_12", "отп-3", "Відп-2", "РП-1", "тп-12", "", "ТП-5", "ПС-1"};
    for (const char* c : captions) chain_.push_back(std::make_unique<Elem>(c));
    for (std::size_t i = 0; i + 1 < chain_.size(); ++i) chain_[i]->Next = chain_[i + 1].get();
    chain_[0]->Nested = std::make_unique<Elem>("ТП-99");
  }
  static void Key(QListWidget& list, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
    QApplication::sendEvent(&list, &press);
  }
  static QString Current(QListWidget& list) { return list.currentItem() ? list.currentItem()->text() : QString(); }

  std::vector<std::unique_ptr<Elem>> chain_;
  ScriptedMsgBox msg_;
  ModalScript script_;
};

TEST_F(FindNodFormTest, TypingChoosesByTheBeginning) {
  script_.Then([](QDialog& d) {
    auto& list = Child<QListWidget>(d, "NodList");
    QStringList texts;
    for (int i = 0; i < list.count(); ++i) texts << list.item(i)->text();
    EXPECT_EQ(texts, (QStringList{"ПС-1", "РП-1", "ТП-5", "ТП-5", "тп-12"})) << "tap-offs and nested models left out";
    Key(list, "т");
    Key(list, "п");
    EXPECT_EQ(list.currentRow(), 2);
    Key(list, "-");
    Key(list, "1");
    EXPECT_EQ(Current(list), "тп-12");
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(4)).center());
    EXPECT_EQ(gui::TypedPrefix(), "");
    Key(list, "п");
    EXPECT_EQ(Current(list), "ПС-1");
    Press(d, "OKBtn");
  });
  EXPECT_EQ(gui::FindNodeDialog(chain_[0].get()), chain_[8].get());

  script_.Then([](QDialog& d) {
    Child<QListWidget>(d, "NodList").setCurrentRow(3);
    Press(d, "OKBtn");
  });
  EXPECT_EQ(gui::FindNodeDialog(chain_[0].get()), chain_[7].get()) << "the second of two equal captions";
  script_.Then([](QDialog& d) { Press(d, "OKBtn"); });
  Elem tapOff("ОТП-1");
  EXPECT_EQ(gui::FindNodeDialog(&tapOff), nullptr) << "a chain of nothing to offer";
}

}  // namespace
}  // namespace ld::test
