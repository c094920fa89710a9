#ifndef QUORVANE_HOLES_ISSUE_NUMBER_SPLIT_H_
#define QUORVANE_HOLES_ISSUE_NUMBER_SPLIT_H_

#include "records/queue.h"

/// Splits every record's number text into number, variant and printing, then
/// orders each stretch of adjacent records of equal numeric value: plain issue
/// first, then variants, then printings ascending. Nodes stay where they are;
/// only the records they carry change places.
void split_issue_numbers(Queue* issue_queue);

#endif  // QUORVANE_HOLES_ISSUE_NUMBER_SPLIT_H_
