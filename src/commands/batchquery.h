#pragma once

class CommandView;
class LookupClient;

// The batch run: looks up every row of the result list in turn, writes each
// location found into its row and into the log tarvio.txt in the program
// directory, and ends with the count of rows with and without a location.
void RunBatchQuery(CommandView &view, LookupClient &Inet1);
