// Program entry: the fixed order of one whole run.
#pragma once

// The leg pass followed by every planning pass, in the order the route needs them.
void planRoute();

// The whole run; returns the process exit status.
int veskMain(int argc, char** argv);
