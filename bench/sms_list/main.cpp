// How long the SMS list reader takes for 10,000 messages: cutting the
// record lines into rows (with the phone book copy's names), and filling
// the all-messages window's grid with them (the grid sized once, every row
// visible). Prints the median of several runs of each step.

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "sms/smslist.h"
#include "sms/smswindow.h"
#include "widgets/stringgrid.h"

namespace {

using Clock = std::chrono::steady_clock;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::vector<std::string> resultLines(int n) {
    std::vector<std::string> lines = {"at+cmgl=\"ALL\""};
    for (int i = 0; i < n; ++i)
        lines.push_back("+CMGL=" + std::to_string(i % 9999 + 1) + ",\"REC READ\",\"+7916" +
                        std::to_string(1000000 + i) + "\",,\"25/06/02,18:05:12+12\"}Message " +
                        std::to_string(i) + ", with a comma } and a brace");
    lines.push_back("OK");
    return lines;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int n = 10000;
    const std::vector<std::string> lines = resultLines(n);
    std::vector<std::string> book;
    const int bookLines = 50000;
    for (int i = 0; i < bookLines; ++i)
        book.push_back("Name " + std::to_string(i) + "=+7916" + std::to_string(1000000 + i * 40));

    QWidget window;
    StringGrid grid(4, 100, &window);
    QPushButton button(&window);
    QLabel panel(&window), counter(&window);
    td::sms::SmsGridView view(&grid, &button, &panel, &counter, 4, 100);
    window.resize(699, 474);
    window.show();

    std::vector<double> parse, show;
    std::vector<td::sms::SmsRow> rows;
    for (int run = 0; run < 7; ++run) {
        auto t0 = Clock::now();
        // As the reader does: the names indexed once for the whole list.
        const td::sms::NameIndex names(book);
        rows = td::sms::listRows(lines, {"+CMGL", "+MMGL"},
                                 [&names](const std::string& n) { return names.nameFor(n); });
        auto t1 = Clock::now();
        view.clearList();
        view.showRows(rows);
        app.processEvents();
        auto t2 = Clock::now();
        parse.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        show.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
    }
    std::printf("SMS list of %d messages (%zu rows, %d grid rows), median of %zu runs:\n", n,
                rows.size(), grid.rows() - 1, parse.size());
    std::printf("  parse with name lookup (%d phone book lines): %8.1f ms\n", bookLines,
                median(parse));
    std::printf("  clear and show in the grid:                    %8.1f ms\n", median(show));
    std::printf("  together:                                      %8.1f ms\n",
                median(parse) + median(show));
    return 0;
}
