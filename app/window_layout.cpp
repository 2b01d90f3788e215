#include "window_layout.h"

#include <QByteArray>
#include <QStringList>

#include "address_columns.h"
#include "address_list_view.h"
#include "main_window.h"
#include "profile.h"

namespace mirelo {

namespace {

constexpr const char* kWindowSection = "WINDOW";
constexpr const char* kGeometryEntry = "GEOMETRY";

const char* WidthsEntry(int columnCount) {
    return columnCount == kDetailsColumnCount ? "WIDTHS_DETAILS" : "WIDTHS";
}

std::string JoinWidths(const std::vector<int>& widths) {
    std::string text;
    for (const int width : widths) text += (text.empty() ? "" : ",") + std::to_string(width);
    return text;
}

// Nothing unless every width is a positive number: a damaged entry leaves the defaults.
std::vector<int> SplitWidths(const std::string& text) {
    std::vector<int> widths;
    for (const QString& part : QString::fromStdString(text).split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const int width = part.toInt(&ok);
        if (!ok || width <= 0) return {};
        widths.push_back(width);
    }
    return widths;
}

}  // namespace

void RestoreWindowPlace(const Profile& profile, MainWindow& window) {
    const std::string geometry = profile.GetProfileString(kWindowSection, kGeometryEntry);
    if (!geometry.empty()) window.restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(geometry)));
}

void RestoreColumnWidths(const Profile& profile, MainWindow& window) {
    for (const int columnCount : {kPlainColumnCount, kDetailsColumnCount}) {
        const std::vector<int> widths = SplitWidths(profile.GetProfileString(kWindowSection, WidthsEntry(columnCount)));
        if (!widths.empty()) window.View().SetColumnWidths(columnCount, widths);
    }
}

void SaveWindowLayout(Profile& profile, const MainWindow& window) {
    profile.WriteProfileString(kWindowSection, kGeometryEntry, window.saveGeometry().toBase64().toStdString());
    for (const int columnCount : {kPlainColumnCount, kDetailsColumnCount}) {
        const std::vector<int> widths = window.View().ColumnWidths(columnCount);
        if (!widths.empty()) profile.WriteProfileString(kWindowSection, WidthsEntry(columnCount), JoinWidths(widths));
    }
}

}  // namespace mirelo
