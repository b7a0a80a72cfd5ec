<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>MovraPlayerWindow</name>
    <message>
        <source>Movra Player</source>
        <translation>Movra Player</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Open…</source>
        <translation>Ö&amp;ffnen…</translation>
    </message>
    <message>
        <source>Open &amp;Address…</source>
        <translation>&amp;Adresse öffnen…</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;About Movra Player</source>
        <translation>Ü&amp;ber Movra Player</translation>
    </message>
    <message>
        <source>About Movra Player</source>
        <translation>Über Movra Player</translation>
    </message>
    <message>
        <source>No file open</source>
        <translation>Keine Datei geöffnet</translation>
    </message>
    <message>
        <source>Now playing: %1</source>
        <translation>Wiedergabe: %1</translation>
    </message>
    <message>
        <source>Received addresses</source>
        <translation>Empfangene Adressen</translation>
    </message>
    <message>
        <source>Open File</source>
        <translation>Datei öffnen</translation>
    </message>
    <message>
        <source>Open Address</source>
        <translation>Adresse öffnen</translation>
    </message>
    <message>
        <source>Address:</source>
        <translation>Adresse:</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Wiedergabe</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Play or pause (Space)</source>
        <translation>Wiedergabe oder Pause (Leertaste)</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Stumm</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Lautstärke</translation>
    </message>
    <message>
        <source>Full screen (F)</source>
        <translation>Vollbild (F)</translation>
    </message>
    <message>
        <source>Position (Left and Right arrows: 5 seconds)</source>
        <translation>Position (Pfeiltasten links und rechts: 5 Sekunden)</translation>
    </message>
    <message>
        <source>Opening %1…</source>
        <translation>%1 wird geöffnet…</translation>
    </message>
    <message>
        <source>Out of memory.</source>
        <translation>Nicht genügend Speicher.</translation>
    </message>
    <message>
        <source>The address did not answer in time.</source>
        <translation>Die Adresse hat nicht rechtzeitig geantwortet.</translation>
    </message>
    <message>
        <source>This is not a media file the player can read.</source>
        <translation>Dies ist keine Mediendatei, die der Player lesen kann.</translation>
    </message>
    <message>
        <source>The file could not be opened: %1</source>
        <translation>Die Datei konnte nicht geöffnet werden: %1</translation>
    </message>
    <message>
        <source>Reading stopped early: %1</source>
        <translation>Das Lesen brach vorzeitig ab: %1</translation>
    </message>
    <message>
        <source>The file ends early: it may be damaged or still downloading</source>
        <translation>Die Datei endet vorzeitig: Sie ist vielleicht beschädigt oder wird noch heruntergeladen</translation>
    </message>
    <message>
        <source>The address could not be opened again: %1</source>
        <translation>Die Adresse konnte nicht erneut geöffnet werden: %1</translation>
    </message>
    <message>
        <source>The video decoder failed: %1</source>
        <translation>Der Videodecoder ist fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>The audio decoder failed: %1</source>
        <translation>Der Audiodecoder ist fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>The video could not be decoded: %1</source>
        <translation>Das Video konnte nicht decodiert werden: %1</translation>
    </message>
    <message>
        <source>The audio could not be decoded: %1</source>
        <translation>Der Ton konnte nicht decodiert werden: %1</translation>
    </message>
    <message>
        <source>The video is damaged and cannot be decoded: %1</source>
        <translation>Das Video ist beschädigt und kann nicht decodiert werden: %1</translation>
    </message>
    <message>
        <source>The audio is damaged and cannot be decoded: %1</source>
        <translation>Der Ton ist beschädigt und kann nicht decodiert werden: %1</translation>
    </message>
    <message>
        <source>The sound cannot be converted for the output.</source>
        <translation>Der Ton kann nicht für die Ausgabe umgewandelt werden.</translation>
    </message>
    <message>
        <source>%1 is a folder, not a media file.</source>
        <translation>%1 ist ein Ordner, keine Mediendatei.</translation>
    </message>
    <message>
        <source>The file %1 does not exist.</source>
        <translation>Die Datei %1 existiert nicht.</translation>
    </message>
    <message>
        <source>The file %1 is empty.</source>
        <translation>Die Datei %1 ist leer.</translation>
    </message>
    <message>
        <source>No decoder for %1 is available.</source>
        <translation>Für %1 gibt es keinen Decoder.</translation>
    </message>
    <message>
        <source>Waiting for the %1 decoder to be installed…</source>
        <translation>Warten auf die Installation des %1-Decoders…</translation>
    </message>
    <message>
        <source>No decoder for %1 is installed.</source>
        <translation>Kein Decoder für %1 ist installiert.</translation>
    </message>
    <message>
        <source>The %1 decoder could not play this stream: %2</source>
        <translation>Der %1-Decoder kann diesen Datenstrom nicht abspielen: %2</translation>
    </message>
    <message>
        <source>The file holds nothing the player can play.</source>
        <translation>Die Datei enthält nichts, was der Player abspielen kann.</translation>
    </message>
    <message>
        <source>About &amp;Plug-ins…</source>
        <translation>Über &amp;Plug-ins…</translation>
    </message>
    <message>
        <source>About Plug-ins</source>
        <translation>Über Plug-ins</translation>
    </message>
    <message>
        <source>%1 files (%2)</source>
        <translation>%1-Dateien (%2)</translation>
    </message>
    <message>
        <source>All video files (%1)</source>
        <translation>Alle Videodateien (%1)</translation>
    </message>
    <message>
        <source>All media files (%1)</source>
        <translation>Alle Mediendateien (%1)</translation>
    </message>
    <message>
        <source>All audio files (%1)</source>
        <translation>Alle Audiodateien (%1)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Loaded</source>
        <translation>Geladen</translation>
    </message>
    <message>
        <source>Not loaded</source>
        <translation>Nicht geladen</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fehlgeschlagen</translation>
    </message>
    <message>
        <source>none</source>
        <translation>keine</translation>
    </message>
    <message>
        <source>Movra Player %1</source>
        <translation>Movra Player %1</translation>
    </message>
    <message>
        <source>Copyright © 2026 Movra. All rights reserved.</source>
        <translation>Copyright © 2026 Movra. Alle Rechte vorbehalten.</translation>
    </message>
    <message>
        <source>This program may be installed and used; it may not be changed or passed on except as Movra allows in writing.</source>
        <translation>Dieses Programm darf installiert und benutzt werden; es darf nur mit schriftlicher Erlaubnis von Movra verändert oder weitergegeben werden.</translation>
    </message>
    <message>
        <source>Qt %1 (built with Qt %2), used under the GNU LGPL version 3. FFmpeg, used under the GNU LGPL version 2.1 or later.</source>
        <translation>Qt %1 (erstellt mit Qt %2), verwendet unter der GNU LGPL Version 3. FFmpeg, verwendet unter der GNU LGPL Version 2.1 oder später.</translation>
    </message>
    <message>
        <source>Loaded plug-ins:</source>
        <translation>Geladene Plug-ins:</translation>
    </message>
    <message>
        <source>Plug-in</source>
        <translation>Plug-in</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Zustand</translation>
    </message>
    <message>
        <source>Library</source>
        <translation>Bibliothek</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Play &amp;Queue</source>
        <translation>&amp;Wiedergabeliste</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Queue</source>
        <translation>&amp;Liste</translation>
    </message>
    <message>
        <source>&amp;Previous</source>
        <translation>&amp;Vorheriger Titel</translation>
    </message>
    <message>
        <source>&amp;Next</source>
        <translation>&amp;Nächster Titel</translation>
    </message>
    <message>
        <source>Start From the &amp;Beginning</source>
        <translation>Von &amp;Anfang an</translation>
    </message>
    <message>
        <source>&amp;Repeat</source>
        <translation>&amp;Wiederholen</translation>
    </message>
    <message>
        <source>%1 does not start as a WebVTT file should; reading it anyway.</source>
        <translation>%1 beginnt nicht wie eine WebVTT-Datei; sie wird trotzdem gelesen.</translation>
    </message>
    <message>
        <source>%1 holds no subtitles the player can show.</source>
        <translation>%1 enthält keine Untertitel, die der Player anzeigen kann.</translation>
    </message>
    <message>
        <source>%1 is not a subtitle file the player reads (.srt, .vtt, .ass, .ssa).</source>
        <translation>%1 ist keine Untertiteldatei, die der Player liest (.srt, .vtt, .ass, .ssa).</translation>
    </message>
    <message>
        <source>%1 is not an ASS/SSA script.</source>
        <translation>%1 ist kein ASS/SSA-Skript.</translation>
    </message>
    <message>
        <source>%1 is not in UTF-8; it was read as %2.</source>
        <translation>%1 ist nicht in UTF-8; die Datei wurde als %2 gelesen.</translation>
    </message>
    <message>
        <source>%1 is too large to be a subtitle file.</source>
        <translation>%1 ist zu groß für eine Untertiteldatei.</translation>
    </message>
    <message>
        <source>&amp;Audio</source>
        <translation>&amp;Audio</translation>
    </message>
    <message>
        <source>&amp;Faster</source>
        <translation>Sc&amp;hneller</translation>
    </message>
    <message>
        <source>&amp;Normal Speed</source>
        <translation>&amp;Normale Geschwindigkeit</translation>
    </message>
    <message>
        <source>&amp;Off</source>
        <translation>&amp;Aus</translation>
    </message>
    <message>
        <source>&amp;One</source>
        <translation>&amp;Einen Titel</translation>
    </message>
    <message>
        <source>&amp;All</source>
        <translation>A&amp;lle</translation>
    </message>
    <message>
        <source>Open &amp;Recent</source>
        <translation>&amp;Zuletzt geöffnet</translation>
    </message>
    <message>
        <source>Previous (P)</source>
        <translation>Vorheriger Titel (P)</translation>
    </message>
    <message>
        <source>Next (N)</source>
        <translation>Nächster Titel (N)</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>&amp;Leeren</translation>
    </message>
    <message>
        <source>&amp;Playback</source>
        <translation>&amp;Wiedergabe</translation>
    </message>
    <message>
        <source>&amp;Reset Delay (now %1)</source>
        <translation>Verzögerung &amp;zurücksetzen (jetzt %1)</translation>
    </message>
    <message>
        <source>&amp;Slower</source>
        <translation>&amp;Langsamer</translation>
    </message>
    <message>
        <source>&amp;Speed</source>
        <translation>&amp;Geschwindigkeit</translation>
    </message>
    <message>
        <source>&amp;Subtitles</source>
        <translation>&amp;Untertitel</translation>
    </message>
    <message>
        <source>&amp;Track</source>
        <translation>&amp;Spur</translation>
    </message>
    <message>
        <source>Damaged subtitles skipped in %1: %2.</source>
        <translation>Beschädigte Untertitel in %1 übersprungen: %2.</translation>
    </message>
    <message>
        <source>Load &amp;Subtitles…</source>
        <translation>&amp;Untertitel laden…</translation>
    </message>
    <message>
        <source>Load Subtitles</source>
        <translation>Untertitel laden</translation>
    </message>
    <message>
        <source>No sound</source>
        <translation>Kein Ton</translation>
    </message>
    <message>
        <source>Show &amp;Earlier (−100 ms)</source>
        <translation>&amp;Früher anzeigen (−100 ms)</translation>
    </message>
    <message>
        <source>Show &amp;Later (+100 ms)</source>
        <translation>&amp;Später anzeigen (+100 ms)</translation>
    </message>
    <message>
        <source>Some subtitles are damaged and are not shown.</source>
        <translation>Einige Untertitel sind beschädigt und werden nicht angezeigt.</translation>
    </message>
    <message>
        <source>Subtitle delay: %1</source>
        <translation>Untertitelverzögerung: %1</translation>
    </message>
    <message>
        <source>Subtitle files (%1)</source>
        <translation>Untertiteldateien (%1)</translation>
    </message>
    <message>
        <source>The sound track “%1” cannot be played: %2</source>
        <translation>Die Tonspur „%1“ kann nicht abgespielt werden: %2</translation>
    </message>
    <message>
        <source>The sound track “%1” cannot be played: there is no sound output.</source>
        <translation>Die Tonspur „%1“ kann nicht abgespielt werden: Es gibt keine Tonausgabe.</translation>
    </message>
    <message>
        <source>The subtitle file %1 could not be read: %2</source>
        <translation>Die Untertiteldatei %1 konnte nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>The subtitles “%1” cannot be shown.</source>
        <translation>Die Untertitel „%1“ können nicht angezeigt werden.</translation>
    </message>
    <message>
        <source>The subtitles “%1” cannot be shown: %2</source>
        <translation>Die Untertitel „%1“ können nicht angezeigt werden: %2</translation>
    </message>
    <message>
        <source>Track %1</source>
        <translation>Spur %1</translation>
    </message>
    <message>
        <source>forced</source>
        <translation>erzwungen</translation>
    </message>
</context>
<context>
    <name>LoadingCodecWidget</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Try again</source>
        <translation>Erneut versuchen</translation>
    </message>
</context>
<context>
    <name>MovraPlayerX::LoadingCodecWidget</name>
    <message>
        <source>Downloading Movra codec... please be patient, this only needs to happen once.</source>
        <translation>Der Movra-Codec wird heruntergeladen... bitte haben Sie etwas Geduld, das ist nur einmal nötig.</translation>
    </message>
    <message>
        <source>Try again</source>
        <translation>Erneut versuchen</translation>
    </message>
    <message>
        <source>Movra Software must be updated to play this video.</source>
        <translation>Die Movra-Software muss aktualisiert werden, um dieses Video abzuspielen.</translation>
    </message>
    <message>
        <source>Do you want to continue?</source>
        <translation>Möchten Sie fortfahren?</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Error %1: Can&apos;t download Movra codec. Please check your internet connection and try again</source>
        <translation>Fehler %1: Der Movra-Codec kann nicht heruntergeladen werden. Bitte prüfen Sie Ihre Internetverbindung und versuchen Sie es erneut</translation>
    </message>
    <message>
        <source>The codec&apos;s signature could not be verified.</source>
        <translation>Die Signatur des Codecs konnte nicht geprüft werden.</translation>
    </message>
</context>
<context>
    <name>MovraPlayQueue</name>
    <message>
        <source>%1 (the file does not exist)</source>
        <translation>%1 (die Datei existiert nicht)</translation>
    </message>
    <message>
        <source>%1 (the folder holds no media files)</source>
        <translation>%1 (der Ordner enthält keine Mediendateien)</translation>
    </message>
    <message>
        <source>%1 (the file cannot be read)</source>
        <translation>%1 (die Datei kann nicht gelesen werden)</translation>
    </message>
    <message>
        <source>%1 (the playlist includes itself)</source>
        <translation>%1 (die Wiedergabeliste enthält sich selbst)</translation>
    </message>
    <message>
        <source>%1 (playlists nested too deeply)</source>
        <translation>%1 (Wiedergabelisten zu tief verschachtelt)</translation>
    </message>
    <message>
        <source>%1 (too large for a playlist)</source>
        <translation>%1 (zu groß für eine Wiedergabeliste)</translation>
    </message>
    <message>
        <source>%1 (only the first %2 entries were queued)</source>
        <translation>%1 (nur die ersten %2 Einträge wurden eingereiht)</translation>
    </message>
    <message>
        <source>%1 (not a file or an address the player can open)</source>
        <translation>%1 (keine Datei oder Adresse, die der Player öffnen kann)</translation>
    </message>
    <message>
        <source>Skipped: %1</source>
        <translation>Übersprungen: %1</translation>
    </message>
    <message>
        <source>(%1 more)</source>
        <translation>(%1 weitere)</translation>
    </message>
    <message>
        <source>Play Queue</source>
        <translation>Wiedergabeliste</translation>
    </message>
    <message>
        <source>Resumed at %1. Ctrl+Home starts from the beginning.</source>
        <translation>Fortgesetzt bei %1. Strg+Pos1 beginnt von vorn.</translation>
    </message>
    <message>
        <source>Skipped %1: %2</source>
        <translation>%1 übersprungen: %2</translation>
    </message>
</context>
<context>
    <name>MovraPlayerControls</name>
    <message>
        <source>Playing a video</source>
        <translation>Ein Video wird abgespielt</translation>
    </message>
    <message>
        <source>&amp;Play or Pause</source>
        <translation>&amp;Wiedergabe oder Pause</translation>
    </message>
    <message>
        <source>&amp;Full Screen</source>
        <translation>&amp;Vollbild</translation>
    </message>
    <message>
        <source>Save &amp;Picture</source>
        <translation>&amp;Bild speichern</translation>
    </message>
    <message>
        <source>Media &amp;Information…</source>
        <translation>Medien&amp;informationen…</translation>
    </message>
    <message>
        <source>&amp;Keyboard Shortcuts</source>
        <translation>&amp;Tastenkürzel</translation>
    </message>
    <message>
        <source>&amp;Chapters</source>
        <translation>&amp;Kapitel</translation>
    </message>
    <message>
        <source>&amp;Audio Track</source>
        <translation>&amp;Tonspur</translation>
    </message>
    <message>
        <source>&amp;Subtitle Track</source>
        <translation>&amp;Untertitelspur</translation>
    </message>
    <message>
        <source>Spee&amp;d</source>
        <translation>&amp;Geschwindigkeit</translation>
    </message>
    <message>
        <source>Click to show the time played or the time left</source>
        <translation>Klicken, um die gespielte oder die verbleibende Zeit zu zeigen</translation>
    </message>
    <message>
        <source>Volume %1 %</source>
        <translation>Lautstärke %1 %</translation>
    </message>
    <message>
        <source>Chapter %1</source>
        <translation>Kapitel %1</translation>
    </message>
    <message>
        <source>There is no picture to save.</source>
        <translation>Es gibt kein Bild zum Speichern.</translation>
    </message>
    <message>
        <source>Playing a video</source>
        <translation>Ein Video wird abgespielt</translation>
    </message>
    <message>
        <source>Picture saved to %1</source>
        <translation>Bild gespeichert unter %1</translation>
    </message>
</context>
<context>
    <name>MovraShortcuts</name>
    <message>
        <source>Previous in the play queue</source>
        <translation>Vorheriger Eintrag der Wiedergabeliste</translation>
    </message>
    <message>
        <source>Next in the play queue</source>
        <translation>Nächster Eintrag der Wiedergabeliste</translation>
    </message>
    <message>
        <source>Start over from the beginning</source>
        <translation>Von vorn beginnen</translation>
    </message>
    <message>
        <source>Show or hide the play queue</source>
        <translation>Wiedergabeliste zeigen oder verbergen</translation>
    </message>
    <message>
        <source>Slower</source>
        <translation>Langsamer</translation>
    </message>
    <message>
        <source>Faster</source>
        <translation>Schneller</translation>
    </message>
    <message>
        <source>Normal speed</source>
        <translation>Normale Geschwindigkeit</translation>
    </message>
    <message>
        <source>Subtitles 100 ms earlier</source>
        <translation>Untertitel 100 ms früher</translation>
    </message>
    <message>
        <source>Subtitles 100 ms later</source>
        <translation>Untertitel 100 ms später</translation>
    </message>
    <message>
        <source>Play or pause</source>
        <translation>Wiedergabe oder Pause</translation>
    </message>
    <message>
        <source>Back 5 seconds</source>
        <translation>5 Sekunden zurück</translation>
    </message>
    <message>
        <source>Forward 5 seconds</source>
        <translation>5 Sekunden vor</translation>
    </message>
    <message>
        <source>Back 1 second</source>
        <translation>1 Sekunde zurück</translation>
    </message>
    <message>
        <source>Forward 1 second</source>
        <translation>1 Sekunde vor</translation>
    </message>
    <message>
        <source>Back 1 minute</source>
        <translation>1 Minute zurück</translation>
    </message>
    <message>
        <source>Forward 1 minute</source>
        <translation>1 Minute vor</translation>
    </message>
    <message>
        <source>Go to the beginning</source>
        <translation>Zum Anfang</translation>
    </message>
    <message>
        <source>Go to the end</source>
        <translation>Zum Ende</translation>
    </message>
    <message>
        <source>Next picture (while paused)</source>
        <translation>Nächstes Bild (während der Pause)</translation>
    </message>
    <message>
        <source>Previous picture (while paused)</source>
        <translation>Vorheriges Bild (während der Pause)</translation>
    </message>
    <message>
        <source>Previous chapter</source>
        <translation>Vorheriges Kapitel</translation>
    </message>
    <message>
        <source>Next chapter</source>
        <translation>Nächstes Kapitel</translation>
    </message>
    <message>
        <source>Volume up 5 %</source>
        <translation>Lautstärke um 5 % erhöhen</translation>
    </message>
    <message>
        <source>Volume down 5 %</source>
        <translation>Lautstärke um 5 % verringern</translation>
    </message>
    <message>
        <source>Mute or unmute</source>
        <translation>Ton aus oder ein</translation>
    </message>
    <message>
        <source>Full screen on or off</source>
        <translation>Vollbild ein oder aus</translation>
    </message>
    <message>
        <source>Leave full screen</source>
        <translation>Vollbild verlassen</translation>
    </message>
    <message>
        <source>Save the picture as a PNG file</source>
        <translation>Bild als PNG-Datei speichern</translation>
    </message>
    <message>
        <source>Save the picture with its subtitles</source>
        <translation>Bild mit Untertiteln speichern</translation>
    </message>
    <message>
        <source>Media information</source>
        <translation>Medieninformationen</translation>
    </message>
    <message>
        <source>Open a file</source>
        <translation>Datei öffnen</translation>
    </message>
    <message>
        <source>This list of keys</source>
        <translation>Diese Tastenliste</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Click on the picture</source>
        <translation>Klick auf das Bild</translation>
    </message>
    <message>
        <source>Double-click on the picture</source>
        <translation>Doppelklick auf das Bild</translation>
    </message>
    <message>
        <source>Right-click on the picture</source>
        <translation>Rechtsklick auf das Bild</translation>
    </message>
    <message>
        <source>Menu of the most used commands</source>
        <translation>Menü der meistgenutzten Befehle</translation>
    </message>
    <message>
        <source>Wheel</source>
        <translation>Mausrad</translation>
    </message>
    <message>
        <source>Volume up or down 5 %</source>
        <translation>Lautstärke um 5 % höher oder niedriger</translation>
    </message>
    <message>
        <source>Click on the seek bar</source>
        <translation>Klick auf die Positionsleiste</translation>
    </message>
    <message>
        <source>Go to that place (hover shows its time)</source>
        <translation>Zu dieser Stelle springen (Überfahren zeigt ihre Zeit)</translation>
    </message>
    <message>
        <source>Click on the time</source>
        <translation>Klick auf die Zeit</translation>
    </message>
    <message>
        <source>Show the time played or the time left</source>
        <translation>Gespielte oder verbleibende Zeit zeigen</translation>
    </message>
    <message>
        <source>Keyboard Shortcuts</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>Key or mouse</source>
        <translation>Taste oder Maus</translation>
    </message>
    <message>
        <source>Action</source>
        <translation>Aktion</translation>
    </message>
</context>
<context>
    <name>MovraMediaInformation</name>
    <message>
        <source>Media Information</source>
        <translation>Medieninformationen</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <source>No file open</source>
        <translation>Keine Datei geöffnet</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>Subtitles</source>
        <translation>Untertitel</translation>
    </message>
    <message>
        <source>Attachment</source>
        <translation>Anhang</translation>
    </message>
    <message>
        <source>Data</source>
        <translation>Daten</translation>
    </message>
    <message>
        <source>%1 kbit/s</source>
        <translation>%1 kbit/s</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Container</source>
        <translation>Container</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Dauer</translation>
    </message>
    <message>
        <source>Overall bit rate</source>
        <translation>Gesamtbitrate</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>Künstler</translation>
    </message>
    <message>
        <source>Album</source>
        <translation>Album</translation>
    </message>
    <message>
        <source>Chapters</source>
        <translation>Kapitel</translation>
    </message>
    <message>
        <source>Stream %1: %2</source>
        <translation>Datenstrom %1: %2</translation>
    </message>
    <message>
        <source>Codec</source>
        <translation>Codec</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>Profil</translation>
    </message>
    <message>
        <source>Resolution</source>
        <translation>Auflösung</translation>
    </message>
    <message>
        <source>Frame rate</source>
        <translation>Bildrate</translation>
    </message>
    <message>
        <source>%1 frames a second</source>
        <translation>%1 Bilder pro Sekunde</translation>
    </message>
    <message>
        <source>Pixel format</source>
        <translation>Pixelformat</translation>
    </message>
    <message>
        <source>Colour space</source>
        <translation>Farbraum</translation>
    </message>
    <message>
        <source>Sample rate</source>
        <translation>Abtastrate</translation>
    </message>
    <message>
        <source>%1 Hz</source>
        <translation>%1 Hz</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>Kanäle</translation>
    </message>
    <message>
        <source>Bit rate</source>
        <translation>Bitrate</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Sprache</translation>
    </message>
    <message>
        <source>Decoder</source>
        <translation>Decoder</translation>
    </message>
    <message>
        <source>%1 %2 (%3)</source>
        <translation>%1 %2 (%3)</translation>
    </message>
    <message>
        <source>none installed</source>
        <translation>keiner installiert</translation>
    </message>
</context>
<context>
    <name>MovraScreenshot</name>
    <message>
        <source>There is no picture to save.</source>
        <translation>Es gibt kein Bild zum Speichern.</translation>
    </message>
    <message>
        <source>The picture could not be saved: the folder %1 cannot be made.</source>
        <translation>Das Bild konnte nicht gespeichert werden: Der Ordner %1 kann nicht angelegt werden.</translation>
    </message>
    <message>
        <source>The picture could not be saved in %1: %2</source>
        <translation>Das Bild konnte nicht in %1 gespeichert werden: %2</translation>
    </message>
</context>
</TS>
