#include "mirelo_document.h"

#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <utility>

#include "app_strings.h"
#include "background_extraction.h"
#include "address_columns.h"
#include "export/csv_file.h"
#include "export/list_output.h"
#include "platform_services.h"
#include "profile.h"
#include "base/path_parts.h"
#include "base/whole_file.h"
#include "sources/worker_pool.h"
#include "saved_list_reader.h"
#include "wait_cursor.h"

namespace mirelo {

namespace {

constexpr const char* kFolderSection = "FOLDER";
constexpr const char* kEudoraFolderEntry = "NAME";
constexpr const char* kOutlookFolderEntry = "NAME_OUTLOOK";
constexpr const char* kAllMailFolderEntry = "NAME_ALL_MAIL";
constexpr const char* kSavePathEntry = "NAME_SAVE";
constexpr const char* kOwnAddressesEntry = "OWN_ADDRESSES";
constexpr const char* kDetailsEntry = "DETAILS";
// One folder a line, after the number of its command and a tab.
constexpr const char* kRecentFoldersEntry = "RECENT_FOLDERS";
constexpr std::size_t kRecentFolderCount = 4;

const QString kEudoraPrompt = QStringLiteral("Search for mailboxes\n(ex: \\Program Files\\Qualcomm\\Eudora)");
const QString kOutlookPrompt = QStringLiteral(
    "Search for mailboxes\n(ex: C:\\Documents and Settings\\user\\Local Settings\\Application Data\\Identities)");
const QString kAllMailPrompt =
    QStringLiteral("Search for mail of every kind\n(ex: a Thunderbird profile, a Maildir, Apple Mail's Mail folder)");

const char* FolderEntry(MailSource source) {
    switch (source) {
        case MailSource::Eudora: return kEudoraFolderEntry;
        case MailSource::Outlook: return kOutlookFolderEntry;
        default: return kAllMailFolderEntry;
    }
}

const QString& FolderPrompt(MailSource source) {
    switch (source) {
        case MailSource::Eudora: return kEudoraPrompt;
        case MailSource::Outlook: return kOutlookPrompt;
        default: return kAllMailPrompt;
    }
}

// The core's text is UTF-8 on every system, not the ANSI code page of QFile::decodeName.
QString Decode(const std::string& bytes) {
    return QString::fromStdString(bytes);
}

std::string UnreadableFolderText(const UnreadableFolder& unreadable) {
    return "Cannot read the folder " + unreadable.path + '\n' + unreadable.error.message();
}

}  // namespace

MireloDocument::MireloDocument(Profile& profile, PlatformServices& platform, WaitCursor& waitCursor)
    : profile_(profile),
      platform_(platform),
      waitCursor_(waitCursor),
      readings_(LoadReadingChoices(profile)),
      list_(std::make_unique<AddressList>()),
      details_(profile.GetProfileString(kFolderSection, kDetailsEntry) == "1") {}

MireloDocument::~MireloDocument() = default;

bool MireloDocument::EditOwnAddresses() {
    const std::optional<QString> text =
        platform_.AskOwnAddresses(Decode(profile_.GetProfileString(kFolderSection, kOwnAddressesEntry)));
    if (!text) return false;
    profile_.WriteProfileString(kFolderSection, kOwnAddressesEntry, text->toStdString());
    if (facts_) SetDetails(true);
    return true;
}

AddressClassifier MireloDocument::Classifier() const {
    return AddressClassifier(AddressesOfLines(profile_.GetProfileString(kFolderSection, kOwnAddressesEntry)),
                             list_->ListAddresses());
}

void MireloDocument::SetReadings(const ReadingChoices& readings) {
    readings_ = readings;
    SaveReadingChoices(profile_, readings_);
}

void MireloDocument::SetDetails(bool on) {
    details_ = on;
    profile_.WriteProfileString(kFolderSection, kDetailsEntry, on ? "1" : "0");
    facts_.reset();
    if (on && HasRecords()) GatherFacts();
    emit detailsChanged();
}

void MireloDocument::GatherFacts() {
    facts_ = FactsTable::Gather(*list_, Classifier());
}

void MireloDocument::OnNewDocument() {
    pathName_.clear();
    SetTitle(QString::fromLatin1(kUntitled));
    SetModifiedFlag(false);
}

bool MireloDocument::OnOpenDocument(const QString& path) {
    const std::string file = path.toStdString();
    const Result<std::string> bytes = ReadWholeFile(file);
    if (!bytes.Ok()) {
        platform_.ShowMessage(QStringLiteral("Failed to open document."));
        return false;
    }
    std::optional<SavedList> saved = ReadSavedList(bytes.Value());
    if (!saved) {
        platform_.ShowMessage(Decode("No email addresses found in " + file));
        return false;
    }
    emit rowsCleared();
    list_ = std::move(saved->list);
    labelPrefix_.clear();
    readingNote_.clear();
    problems_.clear();
    emit problemsChanged();
    saveFacts_.reset();
    facts_.reset();
    // Before the ordering: the facts read the list in file order, as they read an extraction's.
    if (details_) GatherFacts();
    OrderAndFilter(*list_, labelPrefix_, nullptr, {}, DefaultWorkerCount());
    RefillRows();
    // Save writes the plain list only: another table would lose its other columns.
    listFile_ = saved->plainList ? file : std::string();
    SetModifiedFlag(false);
    pathName_ = QFileInfo(path).absoluteFilePath();
    SetTitle(QFileInfo(path).fileName());
    int shown = 0;
    for (int i = 0; i < list_->Count(); ++i) shown += !list_->At(i)->duplicate;
    ShowStatus(std::to_string(shown) + " addresses read from " + file);
    return true;
}

void MireloDocument::SetTitle(const QString& title) {
    title_ = title;
    emit titleChanged();
}

bool MireloDocument::SaveModified() {
    if (!IsModified()) return true;
    switch (platform_.AskSaveChanges(title_)) {
    case PlatformServices::SaveAnswer::Yes:
        // Save asks where when the list was never written.
        return SaveList(false);
    case PlatformServices::SaveAnswer::No:
        return true;
    case PlatformServices::SaveAnswer::Cancel:
        break;
    }
    return false;
}

void MireloDocument::RequestStop() {
    if (extraction_) extraction_->RequestStop();
}

bool MireloDocument::CanCloseFrame() {
    if (extracting_) {
        closeRequested_ = true;
        RequestStop();
        return false;
    }
    return SaveModified();
}

std::string MireloDocument::InitialFolder(MailSource source) {
    const std::string remembered = profile_.GetProfileString(kFolderSection, FolderEntry(source));
    if (source != MailSource::Outlook || !remembered.empty()) return remembered;
    const std::string appData = platform_.LocalAppDataFolder();
    if (appData.empty()) return remembered;
    return appData + kPathSeparator + "Identities" + kPathSeparator;
}

std::vector<MireloDocument::RecentFolder> MireloDocument::RecentFolders() const {
    std::vector<RecentFolder> folders;
    const std::string lines = profile_.GetProfileString(kFolderSection, kRecentFoldersEntry);
    for (std::size_t start = 0; start < lines.size();) {
        const std::size_t end = std::min(lines.find('\n', start), lines.size());
        const std::string line = lines.substr(start, end - start);
        start = end + 1;
        const std::size_t tab = line.find('\t');
        if (tab != 1 || line.size() == 2 || line[0] < '0' || line[0] > '2') continue;
        folders.push_back({static_cast<MailSource>(line[0] - '0'), line.substr(2)});
    }
    return folders;
}

void MireloDocument::RememberRecentFolder(MailSource source, const std::string& folder) {
    // The entry keeps one folder a line.
    if (folder.find('\n') != std::string::npos) return;
    std::vector<RecentFolder> folders = RecentFolders();
    std::erase_if(folders, [&](const RecentFolder& known) { return known.source == source && known.folder == folder; });
    folders.insert(folders.begin(), {source, folder});
    if (folders.size() > kRecentFolderCount) folders.resize(kRecentFolderCount);
    std::string lines;
    for (const RecentFolder& known : folders)
        lines += std::to_string(static_cast<int>(known.source)) + '\t' + known.folder + '\n';
    profile_.WriteProfileString(kFolderSection, kRecentFoldersEntry, lines);
    emit recentFoldersChanged();
}

void MireloDocument::Extract(MailSource source) {
    std::string chosen;
    if (!BrowseForFolder(platform_, FolderPrompt(source), chosen, InitialFolder(source))) return;
    profile_.WriteProfileString(kFolderSection, FolderEntry(source), chosen);
    ExtractFolder(source, chosen);
}

void MireloDocument::ExtractFolder(MailSource source, const std::string& chosen) {
    if (extracting_) return;
    ExtractionRequest request;
    request.source = source;
    request.folder = chosen;
    request.reading = readings_.For(source);
    // Whatever Details shows, Save As writes every format as the command line does: the
    // dates, the decoded names and the lists' addresses are gathered for it.
    request.extras = {true, true, true};
    if (const auto unreadable = FindUnreadableFolder(request)) {
        platform_.ShowMessage(Decode(UnreadableFolderText(*unreadable)));
        return;
    }
    // The new list is a new document: the changes of the one on hand are asked about
    // first, and neither they nor its file carry over.
    if (!SaveModified()) return;
    OnNewDocument();
    listFile_.clear();
    RememberRecentFolder(source, chosen);

    extracting_ = true;
    extractedSource_ = source;
    readingNote_ = ReadingNote(request);
    nothingRead_ = false;
    problemCount_ = 0;
    problems_.clear();
    foundNoStore_ = false;
    extractedFolder_ = request.folder;
    emit problemsChanged();
    waitCursor_.Begin();
    labelPrefix_.clear();
    // The rows point at records that the extraction is about to reuse for new addresses.
    facts_.reset();
    saveFacts_.reset();
    emit rowsCleared();
    emit extractingChanged(true);
    extraction_ = std::make_unique<BackgroundExtraction>(std::move(request),
                                                         std::exchange(list_, std::make_unique<AddressList>()), *this);
    connect(extraction_.get(), &BackgroundExtraction::finished, this, &MireloDocument::EndExtraction);
}

void MireloDocument::EndExtraction() {
    ExtractionResult result = extraction_->TakeResult();
    list_ = std::move(result.list);
    labelPrefix_ = result.labelPrefix;
    for (StoreProblem& problem : result.problems) problem.path = WithoutPrefix(problem.path, labelPrefix_);
    problems_ = std::move(result.problems);
    // The folder went after the check before the save question: nothing was read, and the reason shows.
    if (result.unreadableFolder) ReportNothingRead(UnreadableFolderText(*result.unreadableFolder));
    foundNoStore_ = result.finished && result.storePaths.empty();
    emit problemsChanged();
    // Before the export orders the list: the facts read it in walk order.
    if (details_) GatherFacts();
    extraction_.release()->deleteLater();  // its signal is being delivered
    if (!nothingRead_ && !closeRequested_) {
        if (extractedSource_ == MailSource::Outlook) ShowStatus("Done");
        ShowStatus("Sorting");
    }
    // The status line shows what comes before the ordering holds the event loop.
    QTimer::singleShot(0, this, [this, finished = result.finished] { FinishExtraction(finished); });
}

void MireloDocument::FinishExtraction(bool finished) {
    Export(finished);
    waitCursor_.End();
    extracting_ = false;
    emit extractingChanged(false);

    if (closeRequested_) {
        closeRequested_ = false;
        emit closeDue();
    }
}

void MireloDocument::Export(bool finished) {
    if (nothingRead_) {
        ShowStatus("Done");
        return;
    }
    // A close during the extraction skips the export, but the list is left whole for
    // the save question that follows.
    OrderAndFilter(*list_, labelPrefix_, nullptr, {}, DefaultWorkerCount());
    RefillRows();
    if (closeRequested_) return;
    // An empty list offered for saving would pass for a result, and could replace one.
    if (foundNoStore_) {
        ShowStatus(NoStoreText());
        return;
    }

    // Said before the save is asked for, whose dialog says the list is partial.
    if (!finished) ShowStatus("Extraction stopped" + readingNote_);
    const bool written = WriteList(finished ? SaveMoment::AfterExtraction : SaveMoment::AfterStoppedExtraction);
    if (written) SetModifiedFlag(false);
    if (!finished) {
        if (written) ShowStatus("Extraction stopped: " + statusText_);
    } else if (!written) {
        ShowStatus("Done" + readingNote_);
    }
}

bool MireloDocument::SaveList(bool ask) {
    const bool written = WriteList(ask ? SaveMoment::SaveAs : SaveMoment::Save);
    if (written) SetModifiedFlag(false);
    return written;
}

bool MireloDocument::WriteList(SaveMoment moment) {
    const bool afterExtraction = moment == SaveMoment::AfterExtraction || moment == SaveMoment::AfterStoppedExtraction;
    std::string path = moment == SaveMoment::Save ? listFile_ : std::string();
    ExportFormat format;
    if (path.empty()) {
        // The file last chosen only fills the dialog in: it may hold another list.
        const std::string preload = profile_.GetProfileString(kFolderSection, kSavePathEntry);
        std::optional<SaveChoice> chosen;
        if (moment == SaveMoment::SaveAs) {
            chosen = platform_.AskSaveAsPath(preload);
        } else if (auto plain = platform_.AskSavePath(preload, moment == SaveMoment::AfterStoppedExtraction)) {
            chosen = SaveChoice{*plain};
        }
        if (!chosen) return false;
        path = chosen->path;
        format.kind = chosen->format;
        if (IsOriginalCsv(format)) profile_.WriteProfileString(kFolderSection, kSavePathEntry, path);
    }

    const Result<int> written = WriteListFile(path, *list_, FactsFor(format), format, DefaultWorkerCount());
    if (!written.Ok()) {
        platform_.ShowMessage(Decode(written.Error().message + '\n' + written.Error().reason));
        return false;
    }
    // Save goes on writing the plain list, so a file of another format is no place for it.
    if (IsOriginalCsv(format)) listFile_ = path;
    ShowStatus(CountsText(list_->Count(), written.Value()) + (afterExtraction ? readingNote_ : std::string()));
    // Without an editor the counts alone would leave the user looking for the file.
    const std::string file = OutputFileFor(path, format.kind);
    if (afterExtraction && !platform_.OpenForEditing(file))
        ShowStatus(statusText_ + " (saved to " + file + "; no application opened it)");
    return true;
}

// The formats with facts write the same as the command line's: the facts are gathered
// for them when Details has not.
const FactsTable* MireloDocument::FactsFor(const ExportFormat& format) {
    if (!NeedsFacts(format)) return nullptr;
    if (facts_) return &*facts_;
    saveFacts_ = FactsTable::Gather(*list_, Classifier());
    return &*saveFacts_;
}

std::string MireloDocument::NoStoreText() const {
    if (extractedSource_ == MailSource::AllMail) return "No mail stores found under " + extractedFolder_;
    if (extractedSource_ == MailSource::Outlook) return "No mailboxes found under " + FolderOf(extractedFolder_);
    std::string text = "No mailboxes found under " + extractedFolder_;
    if (HoldsStores(extractedFolder_, StoreKind::Outlook))
        text += "; it holds Outlook Express stores: try Extract email addresses (Outlook)";
    return text;
}

void MireloDocument::ShowStatus(const std::string& text) {
    statusText_ = text;
    emit statusChanged(Decode(statusText_));
}

void MireloDocument::ShowProgress(std::uint64_t done, std::uint64_t total) {
    emit progressChanged(ProgressSteps(done, total));
}

void MireloDocument::ReportProblem(const std::string& path, const std::string& reason) {
    ++problemCount_;
    ShowStatus("Skipped " + WithoutPrefix(path, labelPrefix_) + ": " + reason + " (" +
               std::to_string(problemCount_) + " so far)");
}

// An empty list offered for saving would pass for a result.
void MireloDocument::ReportNothingRead(const std::string& message) {
    nothingRead_ = true;
    platform_.ShowMessage(Decode(message));
}

void MireloDocument::RefillRows() {
    emit rowsRefilled(*list_);
    SetSortColumn(kMailboxColumn);
}

void MireloDocument::SetSortColumn(int column) {
    sortColumn_ = column;
    emit sortColumnChanged(column);
}

void MireloDocument::SetModifiedFlag(bool modified) {
    if (modified == modified_) return;
    modified_ = modified;
    emit modifiedChanged(modified);
}

}  // namespace mirelo
