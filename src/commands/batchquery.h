#pragma once

class CommandView;
class LookupClient;

// The batch run: looks up the rows of the result list, several at a time,
// writes each location found into its row and into the log tarvio.txt in the
// program directory, in row order, and ends with the count of rows with and
// without a location. A run that was stopped (by the user, by the network or
// by the log) goes on with the rows it had not asked and those whose
// transfer failed, appending to the log; one that ran to its end runs again
// only over a list whose first row has no location.
void RunBatchQuery(CommandView &view, LookupClient &Inet1);
