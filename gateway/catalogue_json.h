#pragma once

#include <string>

// B/catalogue: every command with its fields, limits, choices and defaults, as `tvxorm send
// --help COMMAND` lists them, so a form can build itself. AC1's grid file is a request's
// "grid" here: six rows of 25 cells.
namespace tvx::gateway {

std::string CatalogueJson();

}  // namespace tvx::gateway
