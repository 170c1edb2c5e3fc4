#pragma once

class SegmentServer;

// Holds the stop signals back from here on (Linux), so that one arriving
// while the tables load stops the server as soon as it serves instead of
// killing the process. Call first thing, before any thread starts.
void HoldStopSignals();

// Runs the server until the service is told to stop: SIGINT, SIGTERM or
// SIGHUP on Linux; Ctrl-C, Ctrl-Break or the console closing on Windows.
// Then the server stops as Stop says, finishing the answers under way.
void ServeUntilStopped(SegmentServer &server);
