#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop entry and the AppStream file as desktop tools read them: any message, a hint
# included, fails.
# Usage: validate_desktop_files.sh velmora.desktop velmora.metainfo.xml
set -euo pipefail

desktop_entry=$1
metainfo=$2

messages=$(desktop-file-validate "$desktop_entry" 2>&1) || { echo "$messages"; exit 1; }
if [[ -n $messages ]]; then
  echo "$messages"
  exit 1
fi
# Pedantic: hints fail too. The component keeps the desktop entry's name, not a reverse domain name
# (see the file).
appstreamcli validate --pedantic --no-net --override=cid-desktopapp-is-not-rdns=info "$metainfo"
