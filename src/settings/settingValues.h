// Every setting a settings file, --set or a survey option can give, as one value: the
// settings subsystem reads and writes this, and the driver copies it from and into the
// program-wide settings around the dialogue.
#pragma once

#include "brief/briefParameters.h"
#include "current/currentParameters.h"
#include "dives/diveParameters.h"
#include "energy/energyParameters.h"
#include "mission/missionSettings.h"
#include "seabed/seabedParameters.h"
#include "survey/surveyParameters.h"

struct settingValues {
  missionSettings mission;
  surveyParameters survey;
  seabedParameters seabed;
  energyParameters energy;
  currentParameters current;
  diveParameters dives;
  briefParameters brief;
};
