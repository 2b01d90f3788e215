#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <string>

#include "export/sort_and_export.h"
#include "facts/address_facts.h"
#include "scan/address_list.h"
#include "sources/extraction.h"

namespace mirelo {

class BackgroundExtraction;
class CommandTable;
class PlatformServices;
class Profile;
class WaitCursor;

// The one document: the record list of the last extraction and what goes with it. It
// runs the extractions and the saves, and lives as long as the program. The window and
// the view follow it through its signals, which are delivered at once. An extraction reads
// on a thread of its own; the list on hand stays empty until it has finished.
class CMireloDoc : public QObject, public ExportHost {
    Q_OBJECT
public:
    static constexpr int kNoSortColumn = -1;
    static constexpr int kMailboxColumn = 2;

    CMireloDoc(Profile& profile, PlatformServices& platform, WaitCursor& waitCursor);
    ~CMireloDoc() override;

    void RegisterCommands(CommandTable& commands);

    AddressList& List() { return *list_; }
    bool HasRecords() const { return list_->Count() != 0; }
    const std::string& RootText() const { return rootText_; }
    const std::string& StatusText() const { return statusText_; }
    int SortColumn() const { return sortColumn_; }
    void SetSortColumn(int column) { sortColumn_ = column; }
    bool IsModified() const { return modified_; }
    void SetModifiedFlag(bool modified) { modified_ = modified; }
    const QString& Title() const { return title_; }
    const QString& PathName() const { return pathName_; }
    int ProblemCount() const { return problemCount_; }

    // The per-address facts of the list on hand while Details is on; null when off.
    const FactsTable* Facts() const { return facts_ ? &*facts_ : nullptr; }
    // Extractions ask for dates only while Details is on. Turned on over a list read
    // without them, the facts come without the last day seen.
    void SetDetails(bool on);
    // Own addresses from the profile, lists from the mail, robots by their names.
    AddressClassifier Classifier() const;

    // The framework's re-initialisation by New: the record list and the rows stay.
    void OnNewDocument();
    // Open: the file must open for reading; nothing is loaded from it.
    bool OnOpenDocument(const QString& path);
    // Asks whether to save a modified document; false when the user cancels or the
    // save did not happen. Yes writes the list as Save does, or as Save As does when
    // the list on hand was never written.
    bool SaveModified();

    bool IsExtracting() const { return extracting_; }
    // Ends the running extraction within a block of the store being read.
    void RequestStop();
    // Whether the window may close now. During an extraction the close waits until
    // the extraction has stopped, and then the window is closed again.
    bool CanCloseFrame();

    void OnExtractEudora();
    void OnExtractOutlook();
    void OnFileSave();
    void OnFileSaveAs();

    void ShowStatus(const std::string& text) override;
    void ShowProgress(std::uint64_t done, std::uint64_t total) override;
    void KeepAlive() override;
    void ReportProblem(const std::string& path, const std::string& reason) override;
    void ReportNothingRead(const std::string& message) override;
    std::string RememberedSavePath() override;
    void RememberSavePath(const std::string& path) override;
    std::optional<std::string> AskSavePath(const std::string& preload) override;
    std::optional<SaveChoice> AskSaveAsPath(const std::string& preload) override;
    void ShowWriteFailure(const std::string& failure, const std::string& reason) override;
    void RefillRows(AddressList& list) override;
    void OpenForEditing(const std::string& path) override;

signals:
    void titleChanged();
    void statusChanged(const QString& text);
    void extractingChanged(bool extracting);
    // Thousandths of the store being read.
    void progressChanged(int steps);
    // The export lets the window repaint and take input between its steps.
    void eventsDue();
    // A close asked for during an extraction can go ahead now.
    void closeDue();
    void rowsCleared();
    void rowsRefilled(const AddressList& list);
    void detailsChanged();

private:
    void Extract(MailSource source);
    std::string InitialFolder(MailSource source);
    void EndExtraction(bool finished);
    void Export(MailSource source, bool finished);
    bool Save(bool ask);
    void MarkWritten();
    void SetTitle(const QString& title);
    void GatherFacts();
    void EditOwnAddresses();

    Profile& profile_;
    PlatformServices& platform_;
    WaitCursor& waitCursor_;

    std::string statusText_;
    std::string rootText_;
    std::unique_ptr<AddressList> list_;
    int sortColumn_ = kNoSortColumn;
    bool modified_ = false;
    bool listWritten_ = false;  // the list on hand has been written to a CSV file
    QString title_;
    QString pathName_;

    bool extracting_ = false;
    MailSource extractedSource_ = MailSource::Eudora;
    bool closeRequested_ = false;
    bool nothingRead_ = false;
    int problemCount_ = 0;
    bool details_ = false;
    std::optional<FactsTable> facts_;
    // Last, so that it stops before anything it reports to goes.
    std::unique_ptr<BackgroundExtraction> extraction_;
};

}  // namespace mirelo
