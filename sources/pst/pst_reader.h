#pragma once

#include "headers/reading.h"
#include "sources/store_reader.h"

namespace mirelo {

// Outlook's personal folder files (.pst, .ost). A message with an Internet header block
// is read from it as RFC 5322 has it; any other from its sender, the sender it was sent
// for and its recipient table, by SMTP address only. Records are labelled with the file
// and the folder path inside it; the trash folders are read only when asked.
class PstReader : public StoreReader {
public:
    PstReader(const Reading& reading, bool includeTrash) : reading_(reading), includeTrash_(includeTrash) {}
    void Read(const FoundStore& store, StoreBatch& batch) override;

private:
    Reading reading_;
    bool includeTrash_;
};

}  // namespace mirelo
