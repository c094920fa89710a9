#include "records/export_columns.h"

// A kept column's width and one more, room for the quotation mark that
// strip_quotes takes off in front; a column that fills no field needs one
// byte to be counted.
std::size_t bytes_that_count(int column) {
  for (const ExportColumn& kept : kExportColumns) {
    if (kept.column == column) return kept.width + 1;
  }
  return 1;
}
