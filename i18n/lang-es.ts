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
    <message>
        <source>Play</source>
        <translation>Reproducir</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pausa</translation>
    </message>
    <message>
        <source>Play or pause (Space)</source>
        <translation>Reproducir o pausar (Espacio)</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Silenciar</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Volumen</translation>
    </message>
    <message>
        <source>Full screen (F)</source>
        <translation>Pantalla completa (F)</translation>
    </message>
    <message>
        <source>Position (Left and Right arrows: 5 seconds)</source>
        <translation>Posición (flechas izquierda y derecha: 5 segundos)</translation>
    </message>
    <message>
        <source>Opening %1…</source>
        <translation>Abriendo %1…</translation>
    </message>
    <message>
        <source>Out of memory.</source>
        <translation>Memoria insuficiente.</translation>
    </message>
    <message>
        <source>The address did not answer in time.</source>
        <translation>La dirección no respondió a tiempo.</translation>
    </message>
    <message>
        <source>This is not a media file the player can read.</source>
        <translation>No es un archivo multimedia que el reproductor pueda leer.</translation>
    </message>
    <message>
        <source>The file could not be opened: %1</source>
        <translation>No se pudo abrir el archivo: %1</translation>
    </message>
    <message>
        <source>Reading stopped early: %1</source>
        <translation>La lectura se detuvo antes de tiempo: %1</translation>
    </message>
    <message>
        <source>The file ends early: it may be damaged or still downloading</source>
        <translation>El archivo termina antes de tiempo: puede estar dañado o descargándose todavía</translation>
    </message>
    <message>
        <source>The address could not be opened again: %1</source>
        <translation>No se pudo volver a abrir la dirección: %1</translation>
    </message>
    <message>
        <source>The video decoder failed: %1</source>
        <translation>El decodificador de vídeo falló: %1</translation>
    </message>
    <message>
        <source>The audio decoder failed: %1</source>
        <translation>El decodificador de audio falló: %1</translation>
    </message>
    <message>
        <source>The video could not be decoded: %1</source>
        <translation>No se pudo decodificar el vídeo: %1</translation>
    </message>
    <message>
        <source>The audio could not be decoded: %1</source>
        <translation>No se pudo decodificar el audio: %1</translation>
    </message>
    <message>
        <source>The video is damaged and cannot be decoded: %1</source>
        <translation>El vídeo está dañado y no se puede decodificar: %1</translation>
    </message>
    <message>
        <source>The audio is damaged and cannot be decoded: %1</source>
        <translation>El audio está dañado y no se puede decodificar: %1</translation>
    </message>
    <message>
        <source>The sound cannot be converted for the output.</source>
        <translation>El sonido no se puede convertir para la salida.</translation>
    </message>
    <message>
        <source>%1 is a folder, not a media file.</source>
        <translation>%1 es una carpeta, no un archivo multimedia.</translation>
    </message>
    <message>
        <source>The file %1 does not exist.</source>
        <translation>El archivo %1 no existe.</translation>
    </message>
    <message>
        <source>The file %1 is empty.</source>
        <translation>El archivo %1 está vacío.</translation>
    </message>
    <message>
        <source>No decoder for %1 is available.</source>
        <translation>No hay ningún decodificador para %1.</translation>
    </message>
    <message>
        <source>Waiting for the %1 decoder to be installed…</source>
        <translation>Esperando a que se instale el decodificador de %1…</translation>
    </message>
    <message>
        <source>No decoder for %1 is installed.</source>
        <translation>No hay ningún decodificador de %1 instalado.</translation>
    </message>
    <message>
        <source>The %1 decoder could not play this stream: %2</source>
        <translation>El decodificador de %1 no puede reproducir esta secuencia: %2</translation>
    </message>
    <message>
        <source>The file holds nothing the player can play.</source>
        <translation>El archivo no contiene nada que el reproductor pueda reproducir.</translation>
    </message>
    <message>
        <source>About &amp;Plug-ins…</source>
        <translation>Acerca de los &amp;complementos…</translation>
    </message>
    <message>
        <source>About Plug-ins</source>
        <translation>Acerca de los complementos</translation>
    </message>
    <message>
        <source>%1 files (%2)</source>
        <translation>Archivos %1 (%2)</translation>
    </message>
    <message>
        <source>All video files (%1)</source>
        <translation>Todos los archivos de vídeo (%1)</translation>
    </message>
    <message>
        <source>All media files (%1)</source>
        <translation>Todos los archivos multimedia (%1)</translation>
    </message>
    <message>
        <source>All audio files (%1)</source>
        <translation>Todos los archivos de audio (%1)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Todos los archivos (*)</translation>
    </message>
    <message>
        <source>Loaded</source>
        <translation>Cargado</translation>
    </message>
    <message>
        <source>Not loaded</source>
        <translation>No cargado</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>none</source>
        <translation>ninguno</translation>
    </message>
    <message>
        <source>Movra Player %1</source>
        <translation>Movra Player %1</translation>
    </message>
    <message>
        <source>Copyright © 2026 Movra. All rights reserved.</source>
        <translation>Copyright © 2026 Movra. Todos los derechos reservados.</translation>
    </message>
    <message>
        <source>This program may be installed and used; it may not be changed or passed on except as Movra allows in writing.</source>
        <translation>Este programa puede instalarse y usarse; no puede modificarse ni cederse salvo con el permiso por escrito de Movra.</translation>
    </message>
    <message>
        <source>Qt %1 (built with Qt %2), used under the GNU LGPL version 3. FFmpeg, used under the GNU LGPL version 2.1 or later.</source>
        <translation>Qt %1 (compilado con Qt %2), usado bajo la GNU LGPL versión 3. FFmpeg, usado bajo la GNU LGPL versión 2.1 o posterior.</translation>
    </message>
    <message>
        <source>Loaded plug-ins:</source>
        <translation>Complementos cargados:</translation>
    </message>
    <message>
        <source>Plug-in</source>
        <translation>Complemento</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Versión</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Estado</translation>
    </message>
    <message>
        <source>Library</source>
        <translation>Biblioteca</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>Detalles</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copiar</translation>
    </message>
    <message>
        <source>Play &amp;Queue</source>
        <translation>&amp;Cola de reproducción</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ver</translation>
    </message>
    <message>
        <source>&amp;Queue</source>
        <translation>C&amp;ola</translation>
    </message>
    <message>
        <source>&amp;Previous</source>
        <translation>&amp;Anterior</translation>
    </message>
    <message>
        <source>&amp;Next</source>
        <translation>&amp;Siguiente</translation>
    </message>
    <message>
        <source>Start From the &amp;Beginning</source>
        <translation>Desde el &amp;principio</translation>
    </message>
    <message>
        <source>&amp;Repeat</source>
        <translation>&amp;Repetir</translation>
    </message>
    <message>
        <source>&amp;Off</source>
        <translation>&amp;Desactivado</translation>
    </message>
    <message>
        <source>&amp;One</source>
        <translation>&amp;Uno</translation>
    </message>
    <message>
        <source>&amp;All</source>
        <translation>&amp;Todos</translation>
    </message>
    <message>
        <source>Open &amp;Recent</source>
        <translation>Abrir &amp;reciente</translation>
    </message>
    <message>
        <source>Previous (P)</source>
        <translation>Anterior (P)</translation>
    </message>
    <message>
        <source>Next (N)</source>
        <translation>Siguiente (N)</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>&amp;Borrar</translation>
    </message>
    <message>
        <source>%1 does not start as a WebVTT file should; reading it anyway.</source>
        <translation>%1 no empieza como un archivo WebVTT; se lee de todos modos.</translation>
    </message>
    <message>
        <source>%1 holds no subtitles the player can show.</source>
        <translation>%1 no contiene subtítulos que el reproductor pueda mostrar.</translation>
    </message>
    <message>
        <source>%1 is not a subtitle file the player reads (.srt, .vtt, .ass, .ssa).</source>
        <translation>%1 no es un archivo de subtítulos que el reproductor lea (.srt, .vtt, .ass, .ssa).</translation>
    </message>
    <message>
        <source>%1 is not an ASS/SSA script.</source>
        <translation>%1 no es un script ASS/SSA.</translation>
    </message>
    <message>
        <source>%1 is not in UTF-8; it was read as %2.</source>
        <translation>%1 no está en UTF-8; se ha leído como %2.</translation>
    </message>
    <message>
        <source>%1 is too large to be a subtitle file.</source>
        <translation>%1 es demasiado grande para ser un archivo de subtítulos.</translation>
    </message>
    <message>
        <source>&amp;Audio</source>
        <translation>&amp;Audio</translation>
    </message>
    <message>
        <source>&amp;Faster</source>
        <translation>Más &amp;rápido</translation>
    </message>
    <message>
        <source>&amp;Normal Speed</source>
        <translation>Velocidad &amp;normal</translation>
    </message>
    <message>
        <source>&amp;Playback</source>
        <translation>&amp;Reproducción</translation>
    </message>
    <message>
        <source>&amp;Reset Delay (now %1)</source>
        <translation>&amp;Restablecer el retardo (ahora %1)</translation>
    </message>
    <message>
        <source>&amp;Slower</source>
        <translation>Más &amp;lento</translation>
    </message>
    <message>
        <source>&amp;Speed</source>
        <translation>&amp;Velocidad</translation>
    </message>
    <message>
        <source>&amp;Subtitles</source>
        <translation>&amp;Subtítulos</translation>
    </message>
    <message>
        <source>&amp;Track</source>
        <translation>&amp;Pista</translation>
    </message>
    <message>
        <source>Damaged subtitles skipped in %1: %2.</source>
        <translation>Subtítulos dañados omitidos en %1: %2.</translation>
    </message>
    <message>
        <source>Load &amp;Subtitles…</source>
        <translation>Cargar &amp;subtítulos…</translation>
    </message>
    <message>
        <source>Load Subtitles</source>
        <translation>Cargar subtítulos</translation>
    </message>
    <message>
        <source>No sound</source>
        <translation>Sin sonido</translation>
    </message>
    <message>
        <source>Show &amp;Earlier (−100 ms)</source>
        <translation>Mostrar &amp;antes (−100 ms)</translation>
    </message>
    <message>
        <source>Show &amp;Later (+100 ms)</source>
        <translation>Mostrar &amp;después (+100 ms)</translation>
    </message>
    <message>
        <source>Some subtitles are damaged and are not shown.</source>
        <translation>Algunos subtítulos están dañados y no se muestran.</translation>
    </message>
    <message>
        <source>Subtitle delay: %1</source>
        <translation>Retardo de subtítulos: %1</translation>
    </message>
    <message>
        <source>Subtitle files (%1)</source>
        <translation>Archivos de subtítulos (%1)</translation>
    </message>
    <message>
        <source>The sound track “%1” cannot be played: %2</source>
        <translation>No se puede reproducir la pista de sonido «%1»: %2</translation>
    </message>
    <message>
        <source>The sound track “%1” cannot be played: there is no sound output.</source>
        <translation>No se puede reproducir la pista de sonido «%1»: no hay salida de sonido.</translation>
    </message>
    <message>
        <source>The subtitle file %1 could not be read: %2</source>
        <translation>No se ha podido leer el archivo de subtítulos %1: %2</translation>
    </message>
    <message>
        <source>The subtitles “%1” cannot be shown.</source>
        <translation>No se pueden mostrar los subtítulos «%1».</translation>
    </message>
    <message>
        <source>The subtitles “%1” cannot be shown: %2</source>
        <translation>No se pueden mostrar los subtítulos «%1»: %2</translation>
    </message>
    <message>
        <source>Track %1</source>
        <translation>Pista %1</translation>
    </message>
    <message>
        <source>forced</source>
        <translation>forzados</translation>
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
    <message>
        <source>The codec&apos;s signature could not be verified.</source>
        <translation>No se pudo verificar la firma del códec.</translation>
    </message>
</context>
<context>
    <name>MovraPlayQueue</name>
    <message>
        <source>%1 (the file does not exist)</source>
        <translation>%1 (el archivo no existe)</translation>
    </message>
    <message>
        <source>%1 (the folder holds no media files)</source>
        <translation>%1 (la carpeta no contiene archivos multimedia)</translation>
    </message>
    <message>
        <source>%1 (the file cannot be read)</source>
        <translation>%1 (no se puede leer el archivo)</translation>
    </message>
    <message>
        <source>%1 (the playlist includes itself)</source>
        <translation>%1 (la lista de reproducción se incluye a sí misma)</translation>
    </message>
    <message>
        <source>%1 (playlists nested too deeply)</source>
        <translation>%1 (listas de reproducción anidadas demasiado)</translation>
    </message>
    <message>
        <source>%1 (too large for a playlist)</source>
        <translation>%1 (demasiado grande para una lista de reproducción)</translation>
    </message>
    <message>
        <source>%1 (only the first %2 entries were queued)</source>
        <translation>%1 (solo se añadieron las primeras %2 entradas)</translation>
    </message>
    <message>
        <source>%1 (not a file or an address the player can open)</source>
        <translation>%1 (no es un archivo ni una dirección que el reproductor pueda abrir)</translation>
    </message>
    <message>
        <source>Skipped: %1</source>
        <translation>Omitido: %1</translation>
    </message>
    <message>
        <source>(%1 more)</source>
        <translation>(%1 más)</translation>
    </message>
    <message>
        <source>Play Queue</source>
        <translation>Cola de reproducción</translation>
    </message>
    <message>
        <source>Resumed at %1. Ctrl+Home starts from the beginning.</source>
        <translation>Reanudado en %1. Ctrl+Inicio empieza desde el principio.</translation>
    </message>
    <message>
        <source>Skipped %1: %2</source>
        <translation>Se omitió %1: %2</translation>
    </message>
</context>
<context>
    <name>MovraPlayerControls</name>
    <message>
        <source>Playing a video</source>
        <translation>Reproduciendo un vídeo</translation>
    </message>
    <message>
        <source>&amp;Play or Pause</source>
        <translation>&amp;Reproducir o pausar</translation>
    </message>
    <message>
        <source>&amp;Full Screen</source>
        <translation>Pantalla &amp;completa</translation>
    </message>
    <message>
        <source>Save &amp;Picture</source>
        <translation>Guardar &amp;imagen</translation>
    </message>
    <message>
        <source>Media &amp;Information…</source>
        <translation>&amp;Información del medio…</translation>
    </message>
    <message>
        <source>&amp;Keyboard Shortcuts</source>
        <translation>Atajos de &amp;teclado</translation>
    </message>
    <message>
        <source>&amp;Chapters</source>
        <translation>&amp;Capítulos</translation>
    </message>
    <message>
        <source>&amp;Audio Track</source>
        <translation>Pista de &amp;audio</translation>
    </message>
    <message>
        <source>&amp;Subtitle Track</source>
        <translation>Pista de &amp;subtítulos</translation>
    </message>
    <message>
        <source>Spee&amp;d</source>
        <translation>&amp;Velocidad</translation>
    </message>
    <message>
        <source>Click to show the time played or the time left</source>
        <translation>Pulse para mostrar el tiempo reproducido o el restante</translation>
    </message>
    <message>
        <source>Volume %1 %</source>
        <translation>Volumen %1 %</translation>
    </message>
    <message>
        <source>Chapter %1</source>
        <translation>Capítulo %1</translation>
    </message>
    <message>
        <source>There is no picture to save.</source>
        <translation>No hay ninguna imagen que guardar.</translation>
    </message>
    <message>
        <source>Playing a video</source>
        <translation>Reproduciendo un vídeo</translation>
    </message>
    <message>
        <source>Picture saved to %1</source>
        <translation>Imagen guardada en %1</translation>
    </message>
</context>
<context>
    <name>MovraShortcuts</name>
    <message>
        <source>Previous in the play queue</source>
        <translation>Anterior en la cola de reproducción</translation>
    </message>
    <message>
        <source>Next in the play queue</source>
        <translation>Siguiente en la cola de reproducción</translation>
    </message>
    <message>
        <source>Start over from the beginning</source>
        <translation>Empezar de nuevo desde el principio</translation>
    </message>
    <message>
        <source>Show or hide the play queue</source>
        <translation>Mostrar u ocultar la cola de reproducción</translation>
    </message>
    <message>
        <source>Slower</source>
        <translation>Más lento</translation>
    </message>
    <message>
        <source>Faster</source>
        <translation>Más rápido</translation>
    </message>
    <message>
        <source>Normal speed</source>
        <translation>Velocidad normal</translation>
    </message>
    <message>
        <source>Subtitles 100 ms earlier</source>
        <translation>Subtítulos 100 ms antes</translation>
    </message>
    <message>
        <source>Subtitles 100 ms later</source>
        <translation>Subtítulos 100 ms después</translation>
    </message>
    <message>
        <source>Play or pause</source>
        <translation>Reproducir o pausar</translation>
    </message>
    <message>
        <source>Back 5 seconds</source>
        <translation>Retroceder 5 segundos</translation>
    </message>
    <message>
        <source>Forward 5 seconds</source>
        <translation>Avanzar 5 segundos</translation>
    </message>
    <message>
        <source>Back 1 second</source>
        <translation>Retroceder 1 segundo</translation>
    </message>
    <message>
        <source>Forward 1 second</source>
        <translation>Avanzar 1 segundo</translation>
    </message>
    <message>
        <source>Back 1 minute</source>
        <translation>Retroceder 1 minuto</translation>
    </message>
    <message>
        <source>Forward 1 minute</source>
        <translation>Avanzar 1 minuto</translation>
    </message>
    <message>
        <source>Go to the beginning</source>
        <translation>Ir al principio</translation>
    </message>
    <message>
        <source>Go to the end</source>
        <translation>Ir al final</translation>
    </message>
    <message>
        <source>Next picture (while paused)</source>
        <translation>Imagen siguiente (en pausa)</translation>
    </message>
    <message>
        <source>Previous picture (while paused)</source>
        <translation>Imagen anterior (en pausa)</translation>
    </message>
    <message>
        <source>Previous chapter</source>
        <translation>Capítulo anterior</translation>
    </message>
    <message>
        <source>Next chapter</source>
        <translation>Capítulo siguiente</translation>
    </message>
    <message>
        <source>Volume up 5 %</source>
        <translation>Subir el volumen un 5 %</translation>
    </message>
    <message>
        <source>Volume down 5 %</source>
        <translation>Bajar el volumen un 5 %</translation>
    </message>
    <message>
        <source>Mute or unmute</source>
        <translation>Silenciar o activar el sonido</translation>
    </message>
    <message>
        <source>Full screen on or off</source>
        <translation>Activar o desactivar la pantalla completa</translation>
    </message>
    <message>
        <source>Leave full screen</source>
        <translation>Salir de la pantalla completa</translation>
    </message>
    <message>
        <source>Save the picture as a PNG file</source>
        <translation>Guardar la imagen como archivo PNG</translation>
    </message>
    <message>
        <source>Save the picture with its subtitles</source>
        <translation>Guardar la imagen con sus subtítulos</translation>
    </message>
    <message>
        <source>Media information</source>
        <translation>Información del medio</translation>
    </message>
    <message>
        <source>Open a file</source>
        <translation>Abrir un archivo</translation>
    </message>
    <message>
        <source>This list of keys</source>
        <translation>Esta lista de teclas</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Salir</translation>
    </message>
    <message>
        <source>Click on the picture</source>
        <translation>Clic en la imagen</translation>
    </message>
    <message>
        <source>Double-click on the picture</source>
        <translation>Doble clic en la imagen</translation>
    </message>
    <message>
        <source>Right-click on the picture</source>
        <translation>Clic derecho en la imagen</translation>
    </message>
    <message>
        <source>Menu of the most used commands</source>
        <translation>Menú de las órdenes más usadas</translation>
    </message>
    <message>
        <source>Wheel</source>
        <translation>Rueda</translation>
    </message>
    <message>
        <source>Volume up or down 5 %</source>
        <translation>Subir o bajar el volumen un 5 %</translation>
    </message>
    <message>
        <source>Click on the seek bar</source>
        <translation>Clic en la barra de posición</translation>
    </message>
    <message>
        <source>Go to that place (hover shows its time)</source>
        <translation>Ir a ese punto (al pasar el puntero se ve su tiempo)</translation>
    </message>
    <message>
        <source>Click on the time</source>
        <translation>Clic en el tiempo</translation>
    </message>
    <message>
        <source>Show the time played or the time left</source>
        <translation>Mostrar el tiempo reproducido o el restante</translation>
    </message>
    <message>
        <source>Keyboard Shortcuts</source>
        <translation>Atajos de teclado</translation>
    </message>
    <message>
        <source>Key or mouse</source>
        <translation>Tecla o ratón</translation>
    </message>
    <message>
        <source>Action</source>
        <translation>Acción</translation>
    </message>
</context>
<context>
    <name>MovraMediaInformation</name>
    <message>
        <source>Media Information</source>
        <translation>Información del medio</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Copiar</translation>
    </message>
    <message>
        <source>No file open</source>
        <translation>Ningún archivo abierto</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Vídeo</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>Subtitles</source>
        <translation>Subtítulos</translation>
    </message>
    <message>
        <source>Attachment</source>
        <translation>Adjunto</translation>
    </message>
    <message>
        <source>Data</source>
        <translation>Datos</translation>
    </message>
    <message>
        <source>%1 kbit/s</source>
        <translation>%1 kbit/s</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Dirección</translation>
    </message>
    <message>
        <source>Container</source>
        <translation>Contenedor</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Duración</translation>
    </message>
    <message>
        <source>Overall bit rate</source>
        <translation>Tasa de bits total</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Título</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>Artista</translation>
    </message>
    <message>
        <source>Album</source>
        <translation>Álbum</translation>
    </message>
    <message>
        <source>Chapters</source>
        <translation>Capítulos</translation>
    </message>
    <message>
        <source>Stream %1: %2</source>
        <translation>Flujo %1: %2</translation>
    </message>
    <message>
        <source>Codec</source>
        <translation>Códec</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>Perfil</translation>
    </message>
    <message>
        <source>Resolution</source>
        <translation>Resolución</translation>
    </message>
    <message>
        <source>Frame rate</source>
        <translation>Fotogramas por segundo</translation>
    </message>
    <message>
        <source>%1 frames a second</source>
        <translation>%1 fotogramas por segundo</translation>
    </message>
    <message>
        <source>Pixel format</source>
        <translation>Formato de píxel</translation>
    </message>
    <message>
        <source>Colour space</source>
        <translation>Espacio de color</translation>
    </message>
    <message>
        <source>Sample rate</source>
        <translation>Frecuencia de muestreo</translation>
    </message>
    <message>
        <source>%1 Hz</source>
        <translation>%1 Hz</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>Canales</translation>
    </message>
    <message>
        <source>Bit rate</source>
        <translation>Tasa de bits</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Idioma</translation>
    </message>
    <message>
        <source>Decoder</source>
        <translation>Decodificador</translation>
    </message>
    <message>
        <source>%1 %2 (%3)</source>
        <translation>%1 %2 (%3)</translation>
    </message>
    <message>
        <source>none installed</source>
        <translation>ninguno instalado</translation>
    </message>
</context>
<context>
    <name>MovraScreenshot</name>
    <message>
        <source>There is no picture to save.</source>
        <translation>No hay ninguna imagen que guardar.</translation>
    </message>
    <message>
        <source>The picture could not be saved: the folder %1 cannot be made.</source>
        <translation>No se pudo guardar la imagen: no se puede crear la carpeta %1.</translation>
    </message>
    <message>
        <source>The picture could not be saved in %1: %2</source>
        <translation>No se pudo guardar la imagen en %1: %2</translation>
    </message>
</context>
</TS>
