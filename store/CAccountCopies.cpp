#include "CAccountCopies.h"

#include "CEditJournal.h"
#include "ContentHash.h"

#include <algorithm>
#include <new>
#include <string_view>

namespace {

enum class Name { None, KilledSave, Recovery, RecoveryTemp, Journal, JournalBase, Other };

bool IsNumber(std::string_view s) noexcept
{
    return !s.empty() && s.size() <= 18 && s.find_first_not_of("0123456789") == std::string_view::npos;
}

std::vector<std::string_view> Split(std::string_view s)
{
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const auto dot = s.find('.', start);
        parts.push_back(s.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
        if (dot == std::string_view::npos) return parts;
        start = dot + 1;
    }
}

// What "<file>.<rest>" is. Names are matched without regard to case, as the
// system matches them.
Name Classify(std::string rest)
{
    for (char& c : rest)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    const auto p = Split(rest);
    const auto is = [&](std::initializer_list<const char*> pattern) {
        if (p.size() != pattern.size()) return false;
        std::size_t i = 0;
        for (const char* want : pattern) {
            if (std::string_view(want) == "#" ? !IsNumber(p[i]) : p[i] != want) return false;
            ++i;
        }
        return true;
    };
    if (is({"#", "tmp"})) return Name::KilledSave;
    if (is({"recovery"}) || is({"#", "recovery"})) return Name::Recovery;
    if (is({"recovery", "#", "tmp"}) || is({"#", "recovery", "#", "tmp"})) return Name::RecoveryTemp;
    if (is({"#", "journal"})) return Name::Journal;
    if (is({"#", "journal", "base"})) return Name::JournalBase;
    if (is({"#", "other"})) return Name::Other;
    return Name::None;
}

std::uint64_t TextsHash(const AccountRecord& record) noexcept
{
    return kd::ContentHash::Of(kd::RecordTexts(record), kd::kRecordTextBytes);
}

// "<digits>-<digits>" stamps and their "-<n>" suffixes, in time order.
struct VersionName {
    kd::fileio::FilePath path;
    std::string stamp;
    unsigned long long n = 1;
};

bool ParseVersion(std::string_view rest, VersionName& out)
{
    // "20261208-111503.qrd" or "20261208-111503-2.qrd"
    if (rest.size() < 19 || !rest.ends_with(".qrd")) return false;
    rest.remove_suffix(4);
    if (!IsNumber(rest.substr(0, 8)) || rest[8] != '-' || !IsNumber(rest.substr(9, 6))) return false;
    out.stamp = std::string(rest.substr(0, 15));
    if (rest.size() == 15) return true;
    if (rest[15] != '-' || !IsNumber(rest.substr(16))) return false;
    out.n = std::stoull(std::string(rest.substr(16)));
    return true;
}

} // namespace

std::string CAccountCopies::Stem() const
{
    const std::string& name = m_file.GetFileName();
    return name.ends_with(".qrd") ? name.substr(0, name.size() - 4) : name;
}

std::vector<CAccountCopies::Copy> CAccountCopies::Find(std::vector<kd::fileio::FilePath>* incomplete) const
{
    std::vector<Copy> copies;
    if (m_file.GetPath().IsEmpty()) return copies;
    auto siblings = kd::fileio::SiblingsOf(m_file.GetPath());
    const auto cutShort = [incomplete](const kd::fileio::FilePath& path) {
        if (incomplete) incomplete->push_back(path);
    };
    for (auto& sibling : siblings) {
        const Name name = Classify(sibling.rest);
        Copy copy;
        switch (name) {
        case Name::None:
            continue;
        case Name::JournalBase: {
            const std::string journal = sibling.rest.substr(0, sibling.rest.size() - 5);
            if (std::none_of(siblings.begin(), siblings.end(),
                             [&](const kd::fileio::Sibling& s) { return s.rest == journal; }))
                cutShort(sibling.path);
            continue;
        }
        case Name::Journal:
            copy.kind = Kind::Journal;
            if (!CEditJournal::Replay(sibling.path, copy.records, copy.header)) {
                cutShort(sibling.path);
                cutShort(CEditJournal::BaseOf(sibling.path));
                continue;
            }
            break;
        case Name::KilledSave:
        case Name::Recovery:
        case Name::RecoveryTemp:
        case Name::Other: {
            copy.kind = name == Name::KilledSave ? Kind::KilledSave
                        : name == Name::Other    ? Kind::OtherVersion
                                                 : Kind::Recovery;
            // A temporary is whole only once its write ended; another
            // program's version and a finished recovery copy are what they are.
            const bool temporary = name == Name::KilledSave || name == Name::RecoveryTemp;
            CAccountFile read;
            if (!read.LoadFrom(sibling.path) || (temporary && !read.GetLoadReport().whole)) {
                if (temporary) cutShort(sibling.path);
                continue;
            }
            copy.header = read.GetHeader();
            copy.records = read.GetRecords();
            break;
        }
        }
        copy.digest = Digest(copy.records);
        copy.name = sibling.path.Name();
        copy.writtenAt = kd::fileio::ModifiedText(sibling.path);
        copy.time = kd::fileio::ModifiedTime(sibling.path).value_or(0);
        copy.path = std::move(sibling.path);
        copies.push_back(std::move(copy));
    }
    // Newest first. FAT keeps times to two seconds: equal times are decided by
    // what the copies hold, never by the order the folder lists them in.
    std::sort(copies.begin(), copies.end(), [](const Copy& a, const Copy& b) {
        if (a.time != b.time) return a.time > b.time;
        if (a.records.size() != b.records.size()) return a.records.size() > b.records.size();
        if (a.digest != b.digest) return a.digest > b.digest;
        return a.name < b.name;
    });
    return copies;
}

void CAccountCopies::RemoveIncomplete() const
{
    std::vector<kd::fileio::FilePath> incomplete;
    (void)Find(&incomplete);
    Remove(incomplete);
}

void CAccountCopies::Remove(const std::vector<kd::fileio::FilePath>& incomplete) noexcept
{
    for (const auto& path : incomplete) (void)kd::fileio::Remove(path);
}

bool CAccountCopies::Discard(const kd::fileio::FilePath& copy) const
{
    if (copy.IsEmpty()) return false;
    if (!kd::fileio::Remove(copy)) return false;
    (void)kd::fileio::Remove(CEditJournal::BaseOf(copy));
    return true;
}

CAccountCopies::Difference CAccountCopies::Compare(const std::vector<AccountRecord>& file,
                                                   const std::vector<AccountRecord>& copy)
{
    std::vector<std::uint64_t> a, b;
    a.reserve(file.size());
    b.reserve(copy.size());
    for (const auto& r : file) a.push_back(TextsHash(r));
    for (const auto& r : copy) b.push_back(TextsHash(r));
    const bool sameOrder = a == b;
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    std::size_t matched = 0;
    for (std::size_t i = 0, j = 0; i < a.size() && j < b.size();) {
        if (a[i] == b[j]) {
            ++matched;
            ++i;
            ++j;
        } else if (a[i] < b[j]) {
            ++i;
        } else {
            ++j;
        }
    }
    Difference d;
    const std::size_t onlyCopy = copy.size() - matched;
    const std::size_t onlyFile = file.size() - matched;
    d.changed = std::min(onlyCopy, onlyFile);
    d.more = onlyCopy - d.changed;
    d.fewer = onlyFile - d.changed;
    d.reordered = d.changed == 0 && d.more == 0 && d.fewer == 0 && !sameOrder;
    return d;
}

std::string CAccountCopies::Describe(const Difference& d)
{
    if (d.Same()) return "the same entries";
    if (d.reordered) return "the same entries in another order";
    std::string text;
    const auto add = [&text](std::size_t n, const char* what) {
        if (n == 0) return;
        if (!text.empty()) text += ", ";
        text += std::to_string(n) + (n == 1 ? " entry " : " entries ") + what;
    };
    add(d.more, "more");
    add(d.fewer, "fewer");
    if (d.changed != 0) {
        if (!text.empty()) text += ", ";
        text += std::to_string(d.changed) + " changed";
    }
    return text;
}

std::uint64_t CAccountCopies::Digest(const std::vector<AccountRecord>& records) noexcept
{
    kd::ContentHash hash;
    for (const auto& r : records) hash.Add(kd::RecordTexts(r), kd::kRecordTextBytes);
    return hash.Value();
}

kd::fileio::FilePath CAccountCopies::NewNumbered(const char* kind) const
{
    // One more than the highest number in use for any copy, so that names
    // also tell the order they were made in.
    unsigned long long highest = 0;
    for (const auto& sibling : kd::fileio::SiblingsOf(m_file.GetPath())) {
        const auto dot = sibling.rest.find('.');
        const std::string_view first = std::string_view(sibling.rest).substr(0, dot);
        if (IsNumber(first)) highest = std::max(highest, std::stoull(std::string(first)));
    }
    // Appended piece by piece: GCC 12 misreads "literal" + std::string (-Wrestrict).
    std::string suffix = ".";
    suffix += std::to_string(highest + 1);
    suffix += '.';
    suffix += kind;
    return m_file.GetPath().WithSuffix(suffix);
}

kd::fileio::FilePath CAccountCopies::NewJournalPath() const
{
    return m_file.GetPath().IsEmpty() ? kd::fileio::FilePath{} : NewNumbered("journal");
}

kd::fileio::FilePath CAccountCopies::NewRecoveryPath() const
{
    return m_file.GetPath().IsEmpty() ? kd::fileio::FilePath{} : NewNumbered("recovery");
}

bool CAccountCopies::ChangedSinceLoaded() const
{
    if (m_file.GetPath().IsEmpty()) return false;
    const auto& known = m_file.GetFingerprint();
    const std::int64_t size = kd::fileio::SizeOf(m_file.GetPath());
    // Nothing read at login (a missing file) and nothing there now: unchanged.
    if (known.size < 0) return size > 0;
    // Another size needs no reading; the same size is told by content.
    if (size != known.size) return true;
    return !(CAccountFile::FingerprintOf(m_file.GetPath()) == known);
}

kd::fileio::FilePath CAccountCopies::KeepOtherVersion() const
{
    if (m_file.GetPath().IsEmpty() || kd::fileio::SizeOf(m_file.GetPath()) <= 0) return {};
    // Under the lock nobody else makes numbered copies: the new name is free.
    const auto name = NewNumbered("other");
    return kd::fileio::LinkOrCopy(m_file.GetPath(), name) ? name : kd::fileio::FilePath{};
}

kd::fileio::FilePath CAccountCopies::VersionsFolder() const
{
    return m_file.GetPath().IsEmpty() ? kd::fileio::FilePath{} : m_file.GetPath().Folder().Child(kVersionsFolder);
}

kd::fileio::FilePath CAccountCopies::LinkIntoVersions(const std::string& what) const
{
    const auto folder = VersionsFolder();
    if (folder.IsEmpty() || kd::fileio::SizeOf(m_file.GetPath()) <= 0 || !kd::fileio::CreateFolder(folder)) return {};
    auto pathFor = [&](int n) {
        std::string name = Stem();
        name += '.';
        name += what;
        if (n > 1) name += '-' + std::to_string(n);
        name += ".qrd";
        return folder.Child(name);
    };
    // Above every name of the same second still there, never in a gap that
    // pruning left below them: the number orders versions of one second, so
    // a gap would rank the newest version as the oldest, and prune it next.
    int first = 1;
    for (int n = 1; n <= 100; ++n)
        if (kd::fileio::KindOf(pathFor(n)) != kd::fileio::Kind::Missing) first = n + 1;
    for (int n = first; n <= 100; ++n) {
        const auto path = pathFor(n);
        if (path.IsEmpty()) return {};
        if (kd::fileio::KindOf(path) != kd::fileio::Kind::Missing) continue;
        if (kd::fileio::LinkOrCopy(m_file.GetPath(), path)) return path;
    }
    return {};
}

std::vector<kd::fileio::FilePath> CAccountCopies::Versions() const
{
    std::vector<VersionName> found;
    const auto folder = VersionsFolder();
    if (folder.IsEmpty()) return {};
    const auto stem = folder.Child(Stem());
    if (stem.IsEmpty()) return {};
    for (auto& sibling : kd::fileio::SiblingsOf(stem)) {
        VersionName version;
        if (!ParseVersion(sibling.rest, version)) continue;
        version.path = std::move(sibling.path);
        found.push_back(std::move(version));
    }
    std::sort(found.begin(), found.end(), [](const VersionName& a, const VersionName& b) {
        return a.stamp != b.stamp ? a.stamp > b.stamp : a.n > b.n;
    });
    std::vector<kd::fileio::FilePath> paths;
    for (auto& version : found) paths.push_back(std::move(version.path));
    return paths;
}

bool CAccountCopies::KeepVersion() const
{
    try {
        if (LinkIntoVersions(kd::fileio::NowStamp()).IsEmpty()) return false;
        const auto versions = Versions();
        for (std::size_t i = kKeptVersions; i < versions.size(); ++i) (void)kd::fileio::Remove(versions[i]);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

kd::fileio::FilePath CAccountCopies::KeepDamaged() const
{
    try {
        return LinkIntoVersions("damaged-" + kd::fileio::NowStamp());
    } catch (const std::bad_alloc&) {
        return {};
    }
}
