#pragma once

struct CommandContext;

// Looks up the number typed into SinglePhone and makes it the only row.
void RunSingleQuery(const CommandContext &ctx);
