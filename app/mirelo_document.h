#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <string>

#include "export/formats/export_format.h"
#include "extraction/extraction_service.h"
#include "facts/address_facts.h"
#include "reading_choices.h"
#include "scan/address_list.h"

namespace mirelo {

class BackgroundExtraction;
class PlatformServices;
class Profile;
class WaitCursor;

// The one document: the record list of the last extraction and what goes with it. It
// runs the extractions and the saves, and lives as long as the program. The window and
// the view follow it through its signals, which are delivered at once. An extraction reads
// on a thread of its own; the list on hand stays empty until it has finished.
class MireloDocument : public QObject, public ExtractionObserver {
    Q_OBJECT
public:
    static constexpr int kNoSortColumn = -1;

    MireloDocument(Profile& profile, PlatformServices& platform, WaitCursor& waitCursor);
    ~MireloDocument() override;

    AddressList& List() { return *list_; }
    bool HasRecords() const { return list_->Count() != 0; }
    // What the labels of the list on hand begin with; it is left out where they are shown.
    const std::string& LabelPrefix() const { return labelPrefix_; }
    // What the next extractions read, as Select header types sets it.
    const ReadingChoices& Readings() const { return readings_; }
    void SetReadings(const ReadingChoices& readings);
    const std::string& StatusText() const { return statusText_; }
    int SortColumn() const { return sortColumn_; }
    void SetSortColumn(int column);
    bool IsModified() const { return modified_; }
    void SetModifiedFlag(bool modified);
    const QString& Title() const { return title_; }
    const QString& PathName() const { return pathName_; }
    // What the last extraction could not read, its label prefix left out.
    const std::vector<StoreProblem>& Problems() const { return problems_; }

    // The per-address facts of the list on hand while Details is on; null when off.
    const FactsTable* Facts() const { return facts_ ? &*facts_ : nullptr; }
    void SetDetails(bool on);
    bool DetailsShown() const { return details_; }
    // Own addresses from the profile, lists from the mail, robots by their names.
    AddressClassifier Classifier() const;

    // The framework's re-initialisation by New: the record list and the rows stay.
    void OnNewDocument();
    // Open: a list saved before, in any table with an address column, becomes the list on
    // hand; Save writes it back when it is the plain list. False, with a message, when the
    // file cannot be read or holds no address.
    bool OnOpenDocument(const QString& path);
    // Asks whether to save a modified document; false when the user cancels or the
    // save did not happen. Yes writes the list as Save does, or as Save As does when
    // the list on hand was never written.
    bool SaveModified();

    // Shows the rows of the list on hand.
    void RefillRows();

    bool IsExtracting() const { return extracting_; }
    // Ends the running extraction within a block of the store being read.
    void RequestStop();
    // Whether the window may close now. During an extraction the close waits until
    // the extraction has stopped, and then the window is closed again.
    bool CanCloseFrame();

    // The commands: each asks what it needs and reports in the status line.
    void Extract(MailSource source);
    // The extraction of a folder known already: dropped on the window, or a recent one.
    void ExtractFolder(MailSource source, const std::string& folder);
    // The folders extracted last, newest first, each with the command that read it.
    struct RecentFolder {
        MailSource source;
        std::string folder;
    };
    std::vector<RecentFolder> RecentFolders() const;
    void Save() { SaveList(false); }
    void SaveAs() { SaveList(true); }
    // True when the user changed the list of own addresses.
    bool EditOwnAddresses();

    void ShowStatus(const std::string& text) override;
    void ShowProgress(std::uint64_t done, std::uint64_t total) override;
    void ReportProblem(const std::string& path, const std::string& reason) override;
    void ReportNothingRead(const std::string& message) override;

signals:
    void titleChanged();
    void statusChanged(const QString& text);
    void extractingChanged(bool extracting);
    // Thousandths of the store being read.
    void progressChanged(int steps);
    // A close asked for during an extraction can go ahead now.
    void closeDue();
    void rowsCleared();
    void rowsRefilled(const AddressList& list);
    void detailsChanged();
    void modifiedChanged(bool modified);
    void sortColumnChanged(int column);
    void problemsChanged();
    void recentFoldersChanged();

private:
    std::string InitialFolder(MailSource source);
    void RememberRecentFolder(MailSource source, const std::string& folder);
    void EndExtraction();
    void FinishExtraction(bool finished);
    void Export(bool finished);
    bool SaveList(bool ask);
    enum class SaveMoment { AfterExtraction, AfterStoppedExtraction, Save, SaveAs };
    // Writes the list: Save to the list's own file, or where the user says when it has none;
    // Save As offers every format. True when written.
    bool WriteList(SaveMoment moment);
    const FactsTable* FactsFor(const ExportFormat& format);
    void SetTitle(const QString& title);
    void GatherFacts();
    std::string NoStoreText() const;

    Profile& profile_;
    PlatformServices& platform_;
    WaitCursor& waitCursor_;

    std::string statusText_;
    std::string labelPrefix_;
    ReadingChoices readings_;
    std::string readingNote_;  // when the last extraction read otherwise than its command does
    std::optional<FactsTable> saveFacts_;  // gathered for a save in a format that needs them
    std::unique_ptr<AddressList> list_;
    int sortColumn_ = kNoSortColumn;
    bool modified_ = false;
    std::string listFile_;  // where Save writes the list on hand; empty until it is written as CSV
    QString title_;
    QString pathName_;

    bool extracting_ = false;
    MailSource extractedSource_ = MailSource::Eudora;
    bool closeRequested_ = false;
    bool nothingRead_ = false;
    int problemCount_ = 0;  // while reading
    std::vector<StoreProblem> problems_;
    bool foundNoStore_ = false;
    std::string extractedFolder_;
    bool details_ = false;
    std::optional<FactsTable> facts_;
    // Last, so that it stops before anything it reports to goes.
    std::unique_ptr<BackgroundExtraction> extraction_;
};

}  // namespace mirelo
