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
</context>
</TS>
