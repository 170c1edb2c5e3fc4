#pragma once

class CommandView;

// The save command writes nothing: the batch run has already logged every
// location it found. It only tells the user whether, and where.
void SaveResults(CommandView &view);
