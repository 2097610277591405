#include "RecoveryTexts.h"

#include "CQuestionDlg.h"

namespace recoverytext {

namespace {

std::string Quoted(const std::string& name)
{
    return "\"" + name + "\"";
}

std::string Entries(std::size_t n)
{
    return std::to_string(n) + (n == 1 ? " entry" : " entries");
}

} // namespace

Question Offer(const std::string& file, const CAccountCopies::Copy& copy, const std::string& difference)
{
    Question q;
    q.caption = "Copy Found";
    switch (copy.kind) {
    case CAccountCopies::Kind::KilledSave:
        q.lines.push_back("A save of " + Quoted(file) + " was cut off and left a whole copy: " + Quoted(copy.name) +
                          ".");
        break;
    case CAccountCopies::Kind::Recovery:
        q.lines.push_back("Entries that could not be saved to " + Quoted(file) + " were kept in " + Quoted(copy.name) +
                          ".");
        break;
    case CAccountCopies::Kind::Journal:
        q.lines.push_back("Kordane ended without saving; its edits were kept in " + Quoted(copy.name) + ".");
        break;
    case CAccountCopies::Kind::OtherVersion:
        q.lines.push_back("Another program changed " + Quoted(file) + "; its version was kept as " + Quoted(copy.name) +
                          ".");
        break;
    }
    q.lines.push_back(copy.writtenAt.empty() ? "When the copy was written cannot be told."
                                             : "The copy was written on " + copy.writtenAt + ".");
    q.lines.push_back("Compared with the file's entries, the copy has " + difference + ".");
    q.lines.push_back("Take the copy: its entries go into the editor and are saved at Exit.");
    q.lines.push_back("Keep the file's entries: the copy stays and is offered again. Discard: it is deleted.");
    q.buttons = {"&Take the copy", "&Keep the file's entries", "&Discard the copy..."};
    q.defaultButton = kKeep;
    q.cancelButton = kKeep;
    return q;
}

Question ConfirmDiscard(const CAccountCopies::Copy& copy, const std::string& difference)
{
    Question q;
    q.caption = "Discard Copy";
    q.lines.push_back("Delete " + Quoted(copy.name) + " for good?");
    q.lines.push_back("What it holds that the file does not (" + difference + ") will be lost.");
    q.buttons = {"&Delete the copy", "Cancel"};
    q.defaultButton = 1;
    q.cancelButton = 1;
    return q;
}

Question NotHandled(const CAccountCopies::Copy& copy, bool taking)
{
    Question q;
    q.caption = "Copy Found";
    q.lines.push_back(taking ? "The copy " + Quoted(copy.name) + " could not be taken into the editor."
                             : "The copy " + Quoted(copy.name) + " could not be deleted.");
    q.lines.push_back("Nothing was deleted: the copy is offered again at your next login.");
    q.buttons = {"OK"};
    return q;
}

Question Damaged(const std::string& file, const CAccountFile::LoadReport& report, const std::string& kept)
{
    Question q;
    q.caption = "Damaged File";
    const auto counted = report.recordsCounted;
    if (counted > 0 && static_cast<std::size_t>(counted) > report.recordsRead)
        q.lines.push_back(Quoted(file) + " is damaged: only " + std::to_string(report.recordsRead) + " of its " +
                          Entries(static_cast<std::size_t>(counted)) + " could be read.");
    else
        q.lines.push_back(Quoted(file) + " is damaged: only its first " + Entries(report.recordsRead) +
                          " could be read.");
    if (kept.empty()) {
        q.lines.push_back("Its original bytes could not be kept, so this session will not write to it.");
        q.lines.push_back("The entries that could be read are shown, read-only.");
    } else {
        q.lines.push_back("Its original bytes are kept as " + Quoted(kept) + ".");
        q.lines.push_back("The entries that could be read are in the editor and are saved at Exit.");
    }
    q.buttons = {"OK"};
    return q;
}

Question CopiesKept(const std::string& file, std::size_t count)
{
    Question q;
    q.caption = "Copies Found";
    if (count == 1) {
        q.lines.push_back("A copy of an earlier " + Quoted(file) + " lies beside the new file.");
        q.lines.push_back("It is kept as it is and offered at your next login.");
    } else {
        q.lines.push_back(std::to_string(count) + " copies of an earlier " + Quoted(file) +
                          " lie beside the new file.");
        q.lines.push_back("They are kept as they are and offered at your next login.");
    }
    q.buttons = {"OK"};
    return q;
}

Question OtherChange(const std::string& file, const std::string& keptAs)
{
    Question q;
    q.caption = "File Changed";
    q.lines.push_back("Another program changed " + Quoted(file) + " since you logged in.");
    q.lines.push_back("Its version is kept as " + Quoted(keptAs) + " and offered at your next login.");
    q.lines.push_back("Your list is saved to " + Quoted(file) + " now.");
    q.buttons = {"OK"};
    return q;
}

std::size_t Ask(const Question& question, HWND owner)
{
    CQuestionDlg dialog(question.caption, question.lines, question.buttons, owner, question.defaultButton,
                        question.cancelButton);
    return dialog.Ask();
}

} // namespace recoverytext
