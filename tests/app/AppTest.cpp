#include "AppTest.h"

#include "CAccountFile.h"
#include "CListView.h"
#include "FileIo.h"

#include <filesystem>

CKordaneApp theApp;

namespace kdtest {

namespace {

std::vector<Row> RowsOf(const CAccountFile& file)
{
    std::vector<Row> rows;
    for (const AccountRecord& r : file.GetRecords())
        rows.push_back({std::string(kd::GetText(r.account)), std::string(kd::GetText(r.password)),
                        std::string(kd::GetText(r.comment))});
    return rows;
}

} // namespace

kd::unique_hfile HoldWithoutDeleteSharing(const std::string& file)
{
    return kd::unique_hfile(::CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
}

std::vector<Row> ReadRecoveryCopy(const std::string& admin)
{
    // Each session writes its own, "<admin>.qrd.<n>.recovery".
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::current_path())) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(admin + ".qrd.") || !name.ends_with(".recovery")) continue;
        CAccountFile file;
        kd::fileio::FilePath path;
        if (!kd::fileio::FilePath::Resolve(name, path) || !file.LoadFrom(path)) return {};
        return RowsOf(file);
    }
    return {};
}

void AppTest::SetUp()
{
    // The program as shipped: with its skin, so the dialogs are tested skinned.
    const std::filesystem::path skin = m_folder.path() / "skin" / "Solvane";
    std::filesystem::create_directories(skin);
    std::filesystem::copy_file(std::filesystem::path(KD_SOURCE_DIR) / "skin" / "Solvane" / "MainWindow.bmp",
                               skin / "MainWindow.bmp");
}

void AppTest::TearDown()
{
    Exit();
    EXPECT_EQ(m_responder.PendingSteps(), 0u) << "a dialog the test expected never opened";
    EXPECT_TRUE(m_responder.Unexpected().empty()) << "unexpected dialog: " << m_responder.Unexpected().front();
}

void AppTest::Start()
{
    ASSERT_TRUE(theApp.InitInstance());
    m_running = true;
    kd::CDialog* dlg = theApp.MainWindow();
    ASSERT_NE(dlg, nullptr);
    m_main = dlg->GetSafeHwnd();
    Pump(400);
    ASSERT_TRUE(::IsWindowVisible(m_main));
}

void AppTest::Exit()
{
    if (!m_running) return;
    m_running = false;
    (void)theApp.ExitInstance(); // its exit code is the tests' own to check
    m_main = nullptr;
}

std::string AppTest::Log() const
{
    return ReadText(m_folder.path() / "Scrivet" / (theApp.AppName() + ".txt"));
}

std::string AppTest::Cell(int row, int column) const
{
    kd::CListView list;
    list.Attach(::GetDlgItem(m_main, IDC_LIST_ACCOUNTS));
    return list.GetItemText(row, column);
}

std::vector<Row> AppTest::ListRows() const
{
    kd::CListView list;
    list.Attach(::GetDlgItem(m_main, IDC_LIST_ACCOUNTS));
    std::vector<Row> rows;
    for (int row = 0; row < list.GetItemCount(); ++row)
        rows.push_back({list.GetItemText(row, 0), list.GetItemText(row, 1), list.GetItemText(row, 2)});
    return rows;
}

void AppTest::CreateAdmin(const std::string& account, const std::string& password, const std::string& confirm)
{
    m_responder.Expect(kCreateCaption, CreateWith(account, password, confirm));
    Click(m_main, IDC_BUTTON_CREATEADMIN);
}

void AppTest::Login(const std::string& account, const std::string& password)
{
    m_responder.Expect(kLoginCaption, LoginWith(account, password));
    Click(m_main, IDC_BUTTON_LOGIN);
}

void AppTest::LoginExpectingFailure(const std::string& account, const std::string& password)
{
    m_responder.Expect(kLoginCaption, LoginWith(account, password));
    m_responder.Expect(kLoginCaption, Pressing(IDCANCEL));
    Click(m_main, IDC_BUTTON_LOGIN);
}

void AppTest::CreateAdminExpectingFailure(const std::string& account, const std::string& password,
                                          const std::string& confirm)
{
    m_responder.Expect(kCreateCaption, CreateWith(account, password, confirm));
    m_responder.Expect(kCreateCaption, Pressing(IDCANCEL));
    Click(m_main, IDC_BUTTON_CREATEADMIN);
}

void AppTest::SetFields(const std::string& id, const std::string& password, const std::string& comment)
{
    SetItemText(m_main, IDC_EDIT_ID, id);
    SetItemText(m_main, IDC_EDIT_PASSWORD, password);
    SetItemText(m_main, IDC_EDIT_COMMENT, comment);
}

void AppTest::Insert(const std::string& id, const std::string& password, const std::string& comment)
{
    SetFields(id, password, comment);
    Click(m_main, IDC_BUTTON_INSERT);
}

void AppTest::SelectRow(int row)
{
    kd::CListView list;
    list.Attach(::GetDlgItem(m_main, IDC_LIST_ACCOUNTS));
    // Clear first, so the row's own change is a whole selected-and-focused one.
    EXPECT_TRUE(list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED));
    EXPECT_TRUE(list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED)) << row;
    Pump(50);
}

void AppTest::WriteAccountFile(const std::string& admin, const std::string& password, const std::vector<Row>& rows)
{
    CAccountFile file;
    ASSERT_TRUE(file.Open(admin.c_str()));
    file.SetAdministrator(admin, password);
    file.SetRecords({}); // the file holds exactly these rows, whatever it held
    for (const Row& row : rows) {
        AccountRecord record{};
        kd::SetText(record.account, row[0]);
        kd::SetText(record.password, row[1]);
        kd::SetText(record.comment, row[2]);
        ASSERT_TRUE(file.AddRecord(record)) << row[0];
    }
    file.EnableSave();
    ASSERT_TRUE(file.Save());
}

std::vector<Row> AppTest::ReadAccountFile(const std::string& admin)
{
    CAccountFile file;
    if (!file.Open(admin.c_str())) return {};
    return RowsOf(file);
}

} // namespace kdtest
