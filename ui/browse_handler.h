// "Choisir un autre dossier...": lets the user pick the destination folder.
#pragma once

// Opens the folder picker; a chosen folder becomes the destination (with the product folder
// appended) and is written into the folder field. A cancel changes nothing.
void RunBrowseHandler();
