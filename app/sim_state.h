#pragma once

#include <QJsonDocument>
#include <string>

#include "sim/bus.h"

// The simulated bus's devices as JSON, for the simulator's state file and window.
//
// An array with one object per device, in the bus's order:
//   "kind"         "andon", "marquee", "numeric", "stacklight", "tune" or "headend"
//   "serial"       number; "group", "unit": two-digit strings (the first enabled device set)
//   "device-sets"  the enabled sets: [{"set": 1, "group": "01", "unit": "02"}, ...]
//   "settings"     {"SMB regular": "5", "SLI intensity": "12", ...}: command and field name
//   "maintenance"  {"version-requests", "lamp-tests", "clears", "diagnostics", "soft-boots"}
//   "packets", "ignored"  packets that reached the device, and of those the ones it kept
//                  nothing of
// and by kind:
//   andon       "cells": six arrays of 25, each null or the cell's codes ("2A1P2S");
//               "sub-cells": [{"row", "column", "sub-row", "sub-column", "codes"}], a missing
//               sub-row or sub-column null
//   marquee     "text", "clear-home", "carriage-return", "flash" (booleans), "auto-centre"
//               (null or boolean), "template" (null or the SDM number as sent)
//   numeric     "number", "row", "column", "attribute": null or the text as sent
//   stacklight  "rows": {"3": "ON", ...}, an attribute null when the packet carried none
//   tune        "last-tune": null or {"code", "tune", "seconds", "repeat", "duration",
//               "priority"} with the values not sent null; "tunes-played"
//   headend     nothing more: SVN is counted in "maintenance"
// Texts are the bytes the packets carried, read as Latin-1.
namespace tvx::app {

QJsonDocument BusStateJson(const sim::Bus& bus);
// One device's object of the array, compact: what the gateway publishes as its state.
std::string DeviceStateJson(const sim::Device& device);

}  // namespace tvx::app
