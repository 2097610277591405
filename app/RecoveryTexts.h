// The words of Kordane's questions and notices about the copies beside an
// account file: built apart from the dialogs that show them, one line each,
// so that every line fits its place in the skinned dialog.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "CAccountCopies.h"
#include "CAccountFile.h"

namespace recoverytext {

struct Question {
    std::string caption;
    std::vector<std::string> lines;
    std::vector<std::string> buttons;
    std::size_t defaultButton = 0;
    std::size_t cancelButton = 0;
};

// The buttons of Offer, in this order.
enum OfferButton : std::size_t { kTake, kKeep, kDiscard };
// A copy whose entries differ from the file's.
[[nodiscard]] Question Offer(const std::string& file, const CAccountCopies::Copy& copy, const std::string& difference);
// Before a copy is deleted: button 0 deletes it.
[[nodiscard]] Question ConfirmDiscard(const CAccountCopies::Copy& copy, const std::string& difference);
// A copy that could not be taken (`taking`) or deleted.
[[nodiscard]] Question NotHandled(const CAccountCopies::Copy& copy, bool taking);
// A file that holds more than could be read; `kept` names its kept bytes.
[[nodiscard]] Question Damaged(const std::string& file, const CAccountFile::LoadReport& report,
                               const std::string& kept);
// Copies of an earlier administrator of a new file's name.
[[nodiscard]] Question CopiesKept(const std::string& file, std::size_t count);
// Another program's version, kept before the session's list is saved.
[[nodiscard]] Question OtherChange(const std::string& file, const std::string& keptAs);

// Shows `question` in Kordane's own question dialog over `owner`: the index
// of the button pressed.
std::size_t Ask(const Question& question, HWND owner);

} // namespace recoverytext
