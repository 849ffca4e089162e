// Browse lists over record files: the record side of a browse list, read through the
// record-file layer. A program that browses record files installs it once at start.
#pragma once

#include "console/browse_records.h"

namespace kel {

// The browse operations over the record-file layer: lock mode kept with "+d" and "-", the
// first record at or after a key, the next one on the key path, keys in their collation
// form, and records by their physical position.
BrowseRecordOperations RecordFileBrowseOperations();
// Installs RecordFileBrowseOperations as the browse lists' record side.
void InstallRecordFileBrowsing();

}  // namespace kel
