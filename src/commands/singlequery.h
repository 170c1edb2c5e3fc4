#pragma once

class CommandView;
class LookupClient;

// Looks up the number typed into SinglePhone and makes it the only row.
void RunSingleQuery(CommandView &view, LookupClient &Inet1);
