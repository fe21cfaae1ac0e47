#pragma once
// The one-letter codes that node and branch rows keep for the lists of the element dialogs: node type,
// ownership, commutation and the switching devices at branch ends, the regulation column that holds both
// regulators, and the caption of a branch's equipment mark.
//
// Letters are single bytes of a character column (Windows-1251 codes); the list index is the position
// in the dialog's fixed list.
#include <string>
#include <string_view>

namespace ld {

// "Тип узла": "Нагруз.", "Баланс.", "Фикс.U", "W-нагр.".
inline constexpr const char* kNodeSignNames[4] = {"Нагруз.", "Баланс.", "Фикс.U", "W-нагр."};
// The list entry of a node's Sign character, whatever its letter case.
int NodeSignIndex(char sign);
// The character written for a list entry: 'b', 'u', 'w', or 0 for a load node. A load node keeps the
// meter letter '+' or '-' that the metering dialog puts there and the balances read.
char NodeSignLetter(int index, char previous = 0);

// "Основные сети" (no letter), then the Cyrillic letters "А", "Б", "С".
inline constexpr const char* kOwnershipNames[4] = {"Основные сети", "Абонентские сети", "Бесхозные сети",
                                                   "Сети других ЭК"};
// upperCase: the row's letter is upper-cased first (element rows); otherwise it is compared as it is.
int OwnershipIndex(char letter, bool upperCase = true);
char OwnershipLetter(int index);

// "Включена" (no letter), then "Н", "К", "О", "Ф", "П" (Cyrillic).
inline constexpr const char* kCommutNames[6] = {"Включена", "Откл. с начала", "Откл. с конца", "Отключена",
                                                "Фикс. откл. с кон.", "Повреждена"};
int CommutIndex(char letter);
char CommutLetter(int index);

// The device at a branch end: "В", "Р", "Н" (Cyrillic) and "-".
inline constexpr const char* kSwitchDeviceNames[4] = {"Выключатель", "Разъединитель", "Выключатель нагрузки",
                                                      "Отсутствует"};
// The list entry of a one-character MarkCom text in either letter case; -1 for any other text (a
// catalogue mark, an empty text, an unknown letter), which the list shows as its text.
int SwitchDeviceIndex(std::string_view text);
// What is written: the entry's letter, or with no entry (-1) the list's text cut to 255 characters.
std::string SwitchDeviceText(int index, std::string_view listText);

// The column Regulation holds the in-phase ("РПН", "ПБВ") and the quadrature ("ТПР") regulator
// descriptions joined by ";", in any order.
struct TRegulationParts {
  std::string InPhase, Quadrature;
};
// Upper-cased, split at the first ";", each part routed by the kind it names; a part naming neither
// is dropped.
TRegulationParts SplitRegulation(std::string_view column);
// The in-phase part first; the quadrature part alone when there is no in-phase part.
std::string JoinRegulation(std::string_view inPhase, std::string_view quadrature);

// The shown mark of a branch: Mark with the winding of a multi-winding transformer (" <ВН>" ...) and,
// except for a line, the passport name (" <name>") taken from TypEqu "kind|name|winding".
std::string BranchMarkCaption(std::string_view typEqu, std::string_view mark);

}  // namespace ld
