// Fills the address list view with a million rows, sorts it by each column, finds a
// tenth of the rows and deletes them.
// Run it headless: QT_QPA_PLATFORM=offscreen bench_list_view [rows]
#include <QApplication>
#include <QItemSelectionModel>
#include <QTemporaryDir>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <random>
#include <string>

#include "address_list_view.h"
#include "mirelo_document.h"
#include "row_search.h"
#include "profile.h"
#include "qt_platform_services.h"
#include "wait_cursor.h"

namespace {

std::string RandomWord(std::mt19937& random, int minLength, int maxLength) {
    std::uniform_int_distribution<int> length(minLength, maxLength);
    std::uniform_int_distribution<int> letter(0, 25);
    std::string word(static_cast<std::size_t>(length(random)), 'a');
    for (char& c : word) c = static_cast<char>((letter(random) < 3 ? 'A' : 'a') + letter(random));
    return word;
}

// Every tenth record holds this in its name, so Find selects a tenth of the rows,
// scattered once the rows are sorted by email.
constexpr const char* kFindMark = "+found";

void FillList(mirelo::AddressList& list, int rows) {
    std::mt19937 random(20260101);
    std::vector<std::string> mailboxes;
    for (int i = 0; i < 300; ++i) {
        mailboxes.emplace_back("Folder" + std::to_string(i % 17) + "/" + RandomWord(random, 3, 12) + ".mbx");
    }
    std::uniform_int_distribution<std::size_t> mailbox(0, mailboxes.size() - 1);
    for (int i = 0; i < rows; ++i) {
        const std::string email = RandomWord(random, 3, 10) + "." + RandomWord(random, 2, 8) + "@" + RandomWord(random, 4, 9) + ".com";
        const std::string name = RandomWord(random, 3, 8) + " " + RandomWord(random, 4, 10) + (i % 10 == 0 ? kFindMark : "");
        list.Append(email, name, mailboxes[mailbox(random)], mirelo::kFromKind);
    }
}

// Wall-clock seconds, and the processor seconds of this process: on a busy machine the
// second tells what the step costs by itself.
template <typename Step>
std::string Seconds(Step step) {
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t startCpu = std::clock();
    step();
    QCoreApplication::processEvents();
    const double cpu = static_cast<double>(std::clock() - startCpu) / CLOCKS_PER_SEC;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char text[64];
    std::snprintf(text, sizeof text, "%.3f s (cpu %.3f s)", wall, cpu);
    return text;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const int rows = argc > 1 ? std::stoi(argv[1]) : 1'000'000;

    QTemporaryDir profileFolder;
    mirelo::Profile::RedirectTo(profileFolder.path());
    mirelo::Profile profile;
    mirelo::QtPlatformServices platform;
    mirelo::WaitCursor waitCursor;
    mirelo::MireloDocument document(profile, platform, waitCursor);
    mirelo::AddressListView view(document);
    view.resize(900, 600);
    view.show();
    QCoreApplication::processEvents();

    FillList(document.List(), rows);
    std::printf("rows: %d\n", rows);
    std::printf("fill:              %s\n", Seconds([&] { document.RefillRows(); }).c_str());
    const char* names[] = {"email", "name", "mailbox"};
    for (int column = 0; column < 3; ++column) {
        std::printf("sort by %-10s %s\n", names[column], Seconds([&] { view.SortRows(column); }).c_str());
    }
    // A selection travels with its rows, which costs the sort a pass over them.
    for (int row = 0; row < rows; row += rows / 100) {
        view.selectionModel()->select(view.model()->index(row, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    std::printf("sort by email, 100 rows selected: %s\n", Seconds([&] { view.SortRows(0); }).c_str());
    std::printf("scroll to the end: %s\n", Seconds([&] { view.scrollToBottom(); view.repaint(); }).c_str());
    std::printf("find, a tenth of the rows selected: %s\n",
                Seconds([&] { mirelo::SelectMatchingRows(view, QString::fromLatin1(kFindMark)); }).c_str());
    // Each painted row reads its own selection flag, however many rows are selected.
    std::printf("paint them selected: %s\n", Seconds([&] { view.viewport()->repaint(); }).c_str());
    std::printf("find and its first paint: %s\n", Seconds([&] {
                    mirelo::SelectMatchingRows(view, QString::fromLatin1(kFindMark));
                    view.viewport()->repaint();
                }).c_str());
    std::printf("delete those rows: %s\n", Seconds([&] { view.DeleteSelection(); }).c_str());
    std::printf("rows left: %d\n", view.RowCount());
    return 0;
}
