// The main window's record sets: RD, PD, LD and ID for the four tables Create fills, LossCal for
// the host loss file Apply writes. They outlive single commands (LD stays bound to the file the
// last Apply read), so the window (or the console session) owns them.
#pragma once

#include "recordset/record_set.h"

namespace frixa {

struct DataControls {
  RecordSet RD;
  RecordSet PD;
  RecordSet LD;
  RecordSet ID;
  RecordSet LossCal;
};

// Binds a record set: database, then statement, then Refresh.
inline void Bind(RecordSet& rs, const std::string& database, const std::string& statement) {
  rs.SetDatabaseName(database);
  rs.SetRecordSource(statement);
  rs.Refresh();
}

// Releases a record set's file: empty database name, then Refresh.
inline void Release(RecordSet& rs) {
  rs.SetDatabaseName("");
  rs.Refresh();
}

}  // namespace frixa
