<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es" sourcelanguage="en">
<context>
    <name>MovraPlayerWindow</name>
    <message>
        <source>Movra Player</source>
        <translation>Movra Player</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Archivo</translation>
    </message>
    <message>
        <source>&amp;Open…</source>
        <translation>&amp;Abrir…</translation>
    </message>
    <message>
        <source>Open &amp;Address…</source>
        <translation>Abrir &amp;dirección…</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Salir</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>Ay&amp;uda</translation>
    </message>
    <message>
        <source>&amp;About Movra Player</source>
        <translation>&amp;Acerca de Movra Player</translation>
    </message>
    <message>
        <source>About Movra Player</source>
        <translation>Acerca de Movra Player</translation>
    </message>
    <message>
        <source>No file open</source>
        <translation>Ningún archivo abierto</translation>
    </message>
    <message>
        <source>Now playing: %1</source>
        <translation>Reproduciendo: %1</translation>
    </message>
    <message>
        <source>Received addresses</source>
        <translation>Direcciones recibidas</translation>
    </message>
    <message>
        <source>Open File</source>
        <translation>Abrir archivo</translation>
    </message>
    <message>
        <source>Open Address</source>
        <translation>Abrir dirección</translation>
    </message>
    <message>
        <source>Address:</source>
        <translation>Dirección:</translation>
    </message>
</context>
<context>
    <name>LoadingCodecWidget</name>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Try again</source>
        <translation>Reintentar</translation>
    </message>
</context>
<context>
    <name>MovraPlayerX::LoadingCodecWidget</name>
    <message>
        <source>Downloading Movra codec... please be patient, this only needs to happen once.</source>
        <translation>Descargando el códec de Movra... tenga paciencia, esto solo es necesario una vez.</translation>
    </message>
    <message>
        <source>Try again</source>
        <translation>Reintentar</translation>
    </message>
    <message>
        <source>Movra Software must be updated to play this video.</source>
        <translation>Es necesario actualizar el software de Movra para reproducir este vídeo.</translation>
    </message>
    <message>
        <source>Do you want to continue?</source>
        <translation>¿Desea continuar?</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Aceptar</translation>
    </message>
    <message>
        <source>Error %1: Can&apos;t download Movra codec. Please check your internet connection and try again</source>
        <translation>Error %1: no se puede descargar el códec de Movra. Compruebe su conexión a Internet e inténtelo de nuevo</translation>
    </message>
</context>
</TS>
