#include "core/profile.h"

namespace {

InstallerProfileTable profile;
bool profileFilled = false;

}  // namespace

void FillInstallerProfile() {
  if (profileFilled) return;
  InstallerProfileTable& p = profile;

  p.ProductName = L"Tovalu";
  p.ProductDescription = L"Logiciel de gestion de production";
  p.WindowTitle = L"Installation du logiciel de gestion de production V.2 (2023)";
  // The caption spells the product out on purpose: renaming the product does not rename it.
  p.BannerCaption = L"INSTALLATION DU LOGICIEL Tovalu v2 - Gestion de la production (2023)";
  p.PayloadFolderName = L"DataFile";
  p.DefaultDriveRoot = L"c:\\";
  p.PathFileName = L"PathFile.txt";
  p.DesktopFolderName = L"desktop\\";
  p.ExecutableSuffix = L".exe";
  p.ShortcutSuffix = L".lnk";

  p.FolderLabelText = L"Dossier d'installation:";
  p.InstallButtonText = L"Installer";
  p.BrowseButtonText = L"Choisir un autre dossier...";
  p.PickerTitle = L"Sélectionnez un dossier de destination...";

  p.StatusDiskCheck = L"Vérification de l'espace disque disponible ...";
  p.StatusInstalling = L"Installation en cours...";
  p.StatusCopyPrefix = L"Copie du fichier ";
  p.StatusConfig = L"Mise à jour des fichiers de configuration..";
  p.StatusIcons = L"Création des icônes..";
  p.StatusSaving = L"Enregistrement des paramètres ..";

  p.AskExistingFolderTitle = L"Dossier existant";
  p.AskExistingFolderBefore = L"ATTENTION, le dossier (";
  p.AskExistingFolderAfter =
      L") existe, s'il contient des fichiers ils seront écrasés. Voulez-vous continuer?";
  p.AskExistingFolderFlags = 3;  // Yes, No, Cancel
  p.ShortcutFailedTitle = L"Erreur";
  p.ShortcutFailedText = L"Le raccourci n'a pas pu être créé";
  p.ShortcutFailedFlags = 0;  // OK
  p.InstallDoneTitle = L"";
  p.InstallDoneText = L"Installation terminée!";
  p.InstallDoneFlags = 0;

  p.IdleStyle = {0, L"calibri", 12, ColorValue(58, 68, 197)};
  p.BusyStyle = {1, L"trebuchet ms", 9, ColorValue(150, 97, 160)};

  p.PauseEachEntry = 300;
  p.PauseAfterConfig = 150;
  p.PauseAfterDelete = 200;
  p.PauseAfterShortcut = 200;
  p.PauseAfterSaving = 250;
  p.ProgressStart = 1;
  p.ProgressJitterMax = 5;
  p.ProgressFinal = 200;
  p.WindowHeight = 430;

  p.InstallFailedTitle = L"Erreur";
  p.InstallFailedFlags = 0x10;  // OK, error icon
  p.PayloadMissingBefore = L"Les fichiers à installer sont introuvables (dossier ";
  p.PayloadMissingMiddle = L" absent) : aucun fichier n'a été copié dans le dossier (";
  p.PayloadMissingAfter = L").";
  p.CopyIncompleteBefore = L"L'installation dans le dossier (";
  p.CopyIncompleteAfter = L") est incomplète : certains fichiers n'ont pas pu être copiés.";

  profileFilled = true;
}

const InstallerProfileTable& InstallerProfile() {
  FillInstallerProfile();
  return profile;
}

std::wstring DefaultInstallPath() {
  // The root text already ends with its separator.
  return InstallerProfile().DefaultDriveRoot + InstallerProfile().ProductName;
}

std::wstring AskExistingFolderText(const std::wstring& installPath) {
  const InstallerProfileTable& p = InstallerProfile();
  return p.AskExistingFolderBefore + installPath + p.AskExistingFolderAfter;
}

std::wstring PayloadMissingText(const std::wstring& installPath) {
  const InstallerProfileTable& p = InstallerProfile();
  return p.PayloadMissingBefore + p.PayloadFolderName + p.PayloadMissingMiddle + installPath +
         p.PayloadMissingAfter;
}

std::wstring CopyIncompleteText(const std::wstring& installPath) {
  const InstallerProfileTable& p = InstallerProfile();
  return p.CopyIncompleteBefore + installPath + p.CopyIncompleteAfter;
}
