# Run as a script (cmake -P) once the setup program is built: writes the winget manifest set for it
# beside it. In: SETUP (the setup program), VERSION, URL (where it is published), ARCH, OUT_DIR.
file(SHA256 "${SETUP}" hash)
string(TOUPPER "${hash}" hash)
set(head "# Made by the build for ${SETUP_NAME}\nPackageIdentifier: Fenwa.BLIMO\nPackageVersion: ${VERSION}\n")
set(tail "ManifestVersion: 1.6.0\n")
file(WRITE "${OUT_DIR}/Fenwa.BLIMO.yaml" "${head}DefaultLocale: en-US\nManifestType: version\n${tail}")
file(WRITE "${OUT_DIR}/Fenwa.BLIMO.installer.yaml" "${head}InstallerType: nullsoft
Scope: machine
InstallModes:
  - silent
  - silentWithProgress
InstallerSwitches:
  Silent: /S
  SilentWithProgress: /S
UpgradeBehavior: install
Installers:
  - Architecture: ${ARCH}
    InstallerUrl: ${URL}
    InstallerSha256: ${hash}
ManifestType: installer
${tail}")
file(WRITE "${OUT_DIR}/Fenwa.BLIMO.locale.en-US.yaml" "${head}PackageLocale: en-US
Publisher: Fenwa Inc
PackageName: BLIMO
License: Freeware
ShortDescription: Switches the screensaver on and off from the notification area.
Description: A double click on the icon switches the screensaver; BLIMO.exe /off:60 turns it off for an hour.
Tags:
  - screensaver
ManifestType: defaultLocale
${tail}")
