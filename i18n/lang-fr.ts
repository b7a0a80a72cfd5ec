<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr" sourcelanguage="en">
<context>
    <name>MovraPlayerWindow</name>
    <message>
        <source>Movra Player</source>
        <translation>Movra Player</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Fichier</translation>
    </message>
    <message>
        <source>&amp;Open…</source>
        <translation>&amp;Ouvrir…</translation>
    </message>
    <message>
        <source>Open &amp;Address…</source>
        <translation>Ouvrir une &amp;adresse…</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Aide</translation>
    </message>
    <message>
        <source>&amp;About Movra Player</source>
        <translation>À &amp;propos de Movra Player</translation>
    </message>
    <message>
        <source>About Movra Player</source>
        <translation>À propos de Movra Player</translation>
    </message>
    <message>
        <source>No file open</source>
        <translation>Aucun fichier ouvert</translation>
    </message>
    <message>
        <source>Now playing: %1</source>
        <translation>Lecture en cours : %1</translation>
    </message>
    <message>
        <source>Received addresses</source>
        <translation>Adresses reçues</translation>
    </message>
    <message>
        <source>Open File</source>
        <translation>Ouvrir un fichier</translation>
    </message>
    <message>
        <source>Open Address</source>
        <translation>Ouvrir une adresse</translation>
    </message>
    <message>
        <source>Address:</source>
        <translation>Adresse :</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Lecture</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Play or pause (Space)</source>
        <translation>Lecture ou pause (Espace)</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Muet</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>Full screen (F)</source>
        <translation>Plein écran (F)</translation>
    </message>
    <message>
        <source>Position (Left and Right arrows: 5 seconds)</source>
        <translation>Position (flèches gauche et droite : 5 secondes)</translation>
    </message>
    <message>
        <source>Opening %1…</source>
        <translation>Ouverture de %1…</translation>
    </message>
    <message>
        <source>Out of memory.</source>
        <translation>Mémoire insuffisante.</translation>
    </message>
    <message>
        <source>The address did not answer in time.</source>
        <translation>L’adresse n’a pas répondu à temps.</translation>
    </message>
    <message>
        <source>This is not a media file the player can read.</source>
        <translation>Ce fichier n’est pas un fichier multimédia que le lecteur sait lire.</translation>
    </message>
    <message>
        <source>The file could not be opened: %1</source>
        <translation>Impossible d’ouvrir le fichier : %1</translation>
    </message>
    <message>
        <source>Reading stopped early: %1</source>
        <translation>La lecture du fichier s’est arrêtée trop tôt : %1</translation>
    </message>
    <message>
        <source>The file ends early: it may be damaged or still downloading</source>
        <translation>Le fichier se termine trop tôt : il est peut-être endommagé ou encore en cours de téléchargement</translation>
    </message>
    <message>
        <source>The address could not be opened again: %1</source>
        <translation>L’adresse n’a pas pu être rouverte : %1</translation>
    </message>
    <message>
        <source>The video decoder failed: %1</source>
        <translation>Le décodeur vidéo a échoué : %1</translation>
    </message>
    <message>
        <source>The audio decoder failed: %1</source>
        <translation>Le décodeur audio a échoué : %1</translation>
    </message>
    <message>
        <source>The video could not be decoded: %1</source>
        <translation>Impossible de décoder la vidéo : %1</translation>
    </message>
    <message>
        <source>The audio could not be decoded: %1</source>
        <translation>Impossible de décoder le son : %1</translation>
    </message>
    <message>
        <source>The video is damaged and cannot be decoded: %1</source>
        <translation>La vidéo est endommagée et ne peut pas être décodée : %1</translation>
    </message>
    <message>
        <source>The audio is damaged and cannot be decoded: %1</source>
        <translation>Le son est endommagé et ne peut pas être décodé : %1</translation>
    </message>
    <message>
        <source>The sound cannot be converted for the output.</source>
        <translation>Le son ne peut pas être converti pour la sortie.</translation>
    </message>
    <message>
        <source>%1 is a folder, not a media file.</source>
        <translation>%1 est un dossier, pas un fichier multimédia.</translation>
    </message>
    <message>
        <source>The file %1 does not exist.</source>
        <translation>Le fichier %1 n’existe pas.</translation>
    </message>
    <message>
        <source>The file %1 is empty.</source>
        <translation>Le fichier %1 est vide.</translation>
    </message>
    <message>
        <source>No decoder for %1 is available.</source>
        <translation>Aucun décodeur n’existe pour %1.</translation>
    </message>
    <message>
        <source>Waiting for the %1 decoder to be installed…</source>
        <translation>En attente de l’installation du décodeur %1…</translation>
    </message>
    <message>
        <source>No decoder for %1 is installed.</source>
        <translation>Aucun décodeur pour %1 n’est installé.</translation>
    </message>
    <message>
        <source>The %1 decoder could not play this stream: %2</source>
        <translation>Le décodeur %1 ne peut pas lire ce flux : %2</translation>
    </message>
    <message>
        <source>The file holds nothing the player can play.</source>
        <translation>Le fichier ne contient rien que le lecteur puisse lire.</translation>
    </message>
    <message>
        <source>About &amp;Plug-ins…</source>
        <translation>À propos des &amp;modules…</translation>
    </message>
    <message>
        <source>About Plug-ins</source>
        <translation>À propos des modules</translation>
    </message>
    <message>
        <source>%1 files (%2)</source>
        <translation>Fichiers %1 (%2)</translation>
    </message>
    <message>
        <source>All video files (%1)</source>
        <translation>Tous les fichiers vidéo (%1)</translation>
    </message>
    <message>
        <source>All media files (%1)</source>
        <translation>Tous les fichiers multimédias (%1)</translation>
    </message>
    <message>
        <source>All audio files (%1)</source>
        <translation>Tous les fichiers audio (%1)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Tous les fichiers (*)</translation>
    </message>
    <message>
        <source>Loaded</source>
        <translation>Chargé</translation>
    </message>
    <message>
        <source>Not loaded</source>
        <translation>Non chargé</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Échec</translation>
    </message>
    <message>
        <source>none</source>
        <translation>aucun</translation>
    </message>
    <message>
        <source>Movra Player %1</source>
        <translation>Movra Player %1</translation>
    </message>
    <message>
        <source>Copyright © 2026 Movra. All rights reserved.</source>
        <translation>Copyright © 2026 Movra. Tous droits réservés.</translation>
    </message>
    <message>
        <source>This program may be installed and used; it may not be changed or passed on except as Movra allows in writing.</source>
        <translation>Ce programme peut être installé et utilisé ; il ne peut être modifié ni transmis qu’avec l’accord écrit de Movra.</translation>
    </message>
    <message>
        <source>Qt %1 (built with Qt %2), used under the GNU LGPL version 3. FFmpeg, used under the GNU LGPL version 2.1 or later.</source>
        <translation>Qt %1 (compilé avec Qt %2), utilisé sous la licence GNU LGPL version 3. FFmpeg, utilisé sous la licence GNU LGPL version 2.1 ou ultérieure.</translation>
    </message>
    <message>
        <source>Loaded plug-ins:</source>
        <translation>Modules chargés :</translation>
    </message>
    <message>
        <source>Plug-in</source>
        <translation>Module</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>State</source>
        <translation>État</translation>
    </message>
    <message>
        <source>Library</source>
        <translation>Bibliothèque</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>Détails</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copier</translation>
    </message>
    <message>
        <source>Play &amp;Queue</source>
        <translation>&amp;File de lecture</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Affichage</translation>
    </message>
    <message>
        <source>&amp;Queue</source>
        <translation>F&amp;ile</translation>
    </message>
    <message>
        <source>&amp;Previous</source>
        <translation>&amp;Précédent</translation>
    </message>
    <message>
        <source>&amp;Next</source>
        <translation>&amp;Suivant</translation>
    </message>
    <message>
        <source>Start From the &amp;Beginning</source>
        <translation>Reprendre au &amp;début</translation>
    </message>
    <message>
        <source>&amp;Repeat</source>
        <translation>&amp;Répéter</translation>
    </message>
    <message>
        <source>&amp;Off</source>
        <translation>&amp;Désactivé</translation>
    </message>
    <message>
        <source>&amp;One</source>
        <translation>&amp;Un seul</translation>
    </message>
    <message>
        <source>&amp;All</source>
        <translation>&amp;Tous</translation>
    </message>
    <message>
        <source>Open &amp;Recent</source>
        <translation>Ouvrir un fichier &amp;récent</translation>
    </message>
    <message>
        <source>Previous (P)</source>
        <translation>Précédent (P)</translation>
    </message>
    <message>
        <source>Next (N)</source>
        <translation>Suivant (N)</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>&amp;Effacer</translation>
    </message>
    <message>
        <source>%1 does not start as a WebVTT file should; reading it anyway.</source>
        <translation>%1 ne commence pas comme un fichier WebVTT ; il est lu quand même.</translation>
    </message>
    <message>
        <source>%1 holds no subtitles the player can show.</source>
        <translation>%1 ne contient aucun sous-titre que le lecteur peut afficher.</translation>
    </message>
    <message>
        <source>%1 is not a subtitle file the player reads (.srt, .vtt, .ass, .ssa).</source>
        <translation>%1 n’est pas un fichier de sous-titres lisible par le lecteur (.srt, .vtt, .ass, .ssa).</translation>
    </message>
    <message>
        <source>%1 is not an ASS/SSA script.</source>
        <translation>%1 n’est pas un script ASS/SSA.</translation>
    </message>
    <message>
        <source>%1 is not in UTF-8; it was read as %2.</source>
        <translation>%1 n’est pas en UTF-8 ; il a été lu en %2.</translation>
    </message>
    <message>
        <source>%1 is too large to be a subtitle file.</source>
        <translation>%1 est trop volumineux pour être un fichier de sous-titres.</translation>
    </message>
    <message>
        <source>&amp;Audio</source>
        <translation>&amp;Audio</translation>
    </message>
    <message>
        <source>&amp;Faster</source>
        <translation>Plus &amp;rapide</translation>
    </message>
    <message>
        <source>&amp;Normal Speed</source>
        <translation>Vitesse &amp;normale</translation>
    </message>
    <message>
        <source>&amp;Playback</source>
        <translation>&amp;Lecture</translation>
    </message>
    <message>
        <source>&amp;Reset Delay (now %1)</source>
        <translation>&amp;Réinitialiser le décalage (actuellement %1)</translation>
    </message>
    <message>
        <source>&amp;Slower</source>
        <translation>Plus &amp;lent</translation>
    </message>
    <message>
        <source>&amp;Speed</source>
        <translation>&amp;Vitesse</translation>
    </message>
    <message>
        <source>&amp;Subtitles</source>
        <translation>&amp;Sous-titres</translation>
    </message>
    <message>
        <source>&amp;Track</source>
        <translation>&amp;Piste</translation>
    </message>
    <message>
        <source>Damaged subtitles skipped in %1: %2.</source>
        <translation>Sous-titres endommagés ignorés dans %1 : %2.</translation>
    </message>
    <message>
        <source>Load &amp;Subtitles…</source>
        <translation>Charger des &amp;sous-titres…</translation>
    </message>
    <message>
        <source>Load Subtitles</source>
        <translation>Charger des sous-titres</translation>
    </message>
    <message>
        <source>No sound</source>
        <translation>Pas de son</translation>
    </message>
    <message>
        <source>Show &amp;Earlier (−100 ms)</source>
        <translation>Afficher plus &amp;tôt (−100 ms)</translation>
    </message>
    <message>
        <source>Show &amp;Later (+100 ms)</source>
        <translation>Afficher plus ta&amp;rd (+100 ms)</translation>
    </message>
    <message>
        <source>Some subtitles are damaged and are not shown.</source>
        <translation>Certains sous-titres sont endommagés et ne sont pas affichés.</translation>
    </message>
    <message>
        <source>Subtitle delay: %1</source>
        <translation>Décalage des sous-titres : %1</translation>
    </message>
    <message>
        <source>Subtitle files (%1)</source>
        <translation>Fichiers de sous-titres (%1)</translation>
    </message>
    <message>
        <source>The sound track “%1” cannot be played: %2</source>
        <translation>La piste audio « %1 » ne peut pas être lue : %2</translation>
    </message>
    <message>
        <source>The sound track “%1” cannot be played: there is no sound output.</source>
        <translation>La piste audio « %1 » ne peut pas être lue : aucune sortie son.</translation>
    </message>
    <message>
        <source>The subtitle file %1 could not be read: %2</source>
        <translation>Le fichier de sous-titres %1 n’a pas pu être lu : %2</translation>
    </message>
    <message>
        <source>The subtitles “%1” cannot be shown.</source>
        <translation>Les sous-titres « %1 » ne peuvent pas être affichés.</translation>
    </message>
    <message>
        <source>The subtitles “%1” cannot be shown: %2</source>
        <translation>Les sous-titres « %1 » ne peuvent pas être affichés : %2</translation>
    </message>
    <message>
        <source>Track %1</source>
        <translation>Piste %1</translation>
    </message>
    <message>
        <source>forced</source>
        <translation>forcés</translation>
    </message>
</context>
<context>
    <name>LoadingCodecWidget</name>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Try again</source>
        <translation>Réessayer</translation>
    </message>
</context>
<context>
    <name>MovraPlayerX::LoadingCodecWidget</name>
    <message>
        <source>Downloading Movra codec... please be patient, this only needs to happen once.</source>
        <translation>Téléchargement du codec Movra... merci de patienter, cette opération n’a lieu qu’une seule fois.</translation>
    </message>
    <message>
        <source>Try again</source>
        <translation>Réessayer</translation>
    </message>
    <message>
        <source>Movra Software must be updated to play this video.</source>
        <translation>Le logiciel Movra doit être mis à jour pour lire cette vidéo.</translation>
    </message>
    <message>
        <source>Do you want to continue?</source>
        <translation>Voulez-vous continuer ?</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Error %1: Can&apos;t download Movra codec. Please check your internet connection and try again</source>
        <translation>Erreur %1 : impossible de télécharger le codec Movra. Vérifiez votre connexion Internet et réessayez</translation>
    </message>
    <message>
        <source>The codec&apos;s signature could not be verified.</source>
        <translation>La signature du codec n&apos;a pas pu être vérifiée.</translation>
    </message>
</context>
<context>
    <name>MovraPlayQueue</name>
    <message>
        <source>%1 (the file does not exist)</source>
        <translation>%1 (le fichier n’existe pas)</translation>
    </message>
    <message>
        <source>%1 (the folder holds no media files)</source>
        <translation>%1 (le dossier ne contient aucun fichier multimédia)</translation>
    </message>
    <message>
        <source>%1 (the file cannot be read)</source>
        <translation>%1 (le fichier ne peut pas être lu)</translation>
    </message>
    <message>
        <source>%1 (the playlist includes itself)</source>
        <translation>%1 (la liste de lecture s’inclut elle-même)</translation>
    </message>
    <message>
        <source>%1 (playlists nested too deeply)</source>
        <translation>%1 (listes de lecture imbriquées trop profondément)</translation>
    </message>
    <message>
        <source>%1 (too large for a playlist)</source>
        <translation>%1 (trop volumineux pour une liste de lecture)</translation>
    </message>
    <message>
        <source>%1 (only the first %2 entries were queued)</source>
        <translation>%1 (seules les %2 premières entrées ont été ajoutées)</translation>
    </message>
    <message>
        <source>%1 (not a file or an address the player can open)</source>
        <translation>%1 (ni un fichier ni une adresse que le lecteur peut ouvrir)</translation>
    </message>
    <message>
        <source>Skipped: %1</source>
        <translation>Ignoré : %1</translation>
    </message>
    <message>
        <source>(%1 more)</source>
        <translation>(%1 de plus)</translation>
    </message>
    <message>
        <source>Play Queue</source>
        <translation>File de lecture</translation>
    </message>
    <message>
        <source>Resumed at %1. Ctrl+Home starts from the beginning.</source>
        <translation>Reprise à %1. Ctrl+Début repart du début.</translation>
    </message>
    <message>
        <source>Skipped %1: %2</source>
        <translation>%1 ignoré : %2</translation>
    </message>
</context>
<context>
    <name>MovraPlayerControls</name>
    <message>
        <source>Playing a video</source>
        <translation>Lecture d’une vidéo</translation>
    </message>
    <message>
        <source>&amp;Play or Pause</source>
        <translation>&amp;Lecture ou pause</translation>
    </message>
    <message>
        <source>&amp;Full Screen</source>
        <translation>Plein &amp;écran</translation>
    </message>
    <message>
        <source>Save &amp;Picture</source>
        <translation>Enregistrer l’&amp;image</translation>
    </message>
    <message>
        <source>Media &amp;Information…</source>
        <translation>&amp;Informations sur le média…</translation>
    </message>
    <message>
        <source>&amp;Keyboard Shortcuts</source>
        <translation>Raccourcis &amp;clavier</translation>
    </message>
    <message>
        <source>&amp;Chapters</source>
        <translation>&amp;Chapitres</translation>
    </message>
    <message>
        <source>&amp;Audio Track</source>
        <translation>Piste &amp;audio</translation>
    </message>
    <message>
        <source>&amp;Subtitle Track</source>
        <translation>Piste de &amp;sous-titres</translation>
    </message>
    <message>
        <source>Spee&amp;d</source>
        <translation>&amp;Vitesse</translation>
    </message>
    <message>
        <source>Click to show the time played or the time left</source>
        <translation>Cliquer pour afficher le temps écoulé ou le temps restant</translation>
    </message>
    <message>
        <source>Volume %1 %</source>
        <translation>Volume %1 %</translation>
    </message>
    <message>
        <source>Chapter %1</source>
        <translation>Chapitre %1</translation>
    </message>
    <message>
        <source>There is no picture to save.</source>
        <translation>Il n’y a aucune image à enregistrer.</translation>
    </message>
    <message>
        <source>Playing a video</source>
        <translation>Lecture d’une vidéo</translation>
    </message>
    <message>
        <source>Picture saved to %1</source>
        <translation>Image enregistrée dans %1</translation>
    </message>
</context>
<context>
    <name>MovraShortcuts</name>
    <message>
        <source>Previous in the play queue</source>
        <translation>Précédent dans la file de lecture</translation>
    </message>
    <message>
        <source>Next in the play queue</source>
        <translation>Suivant dans la file de lecture</translation>
    </message>
    <message>
        <source>Start over from the beginning</source>
        <translation>Reprendre depuis le début</translation>
    </message>
    <message>
        <source>Show or hide the play queue</source>
        <translation>Afficher ou masquer la file de lecture</translation>
    </message>
    <message>
        <source>Slower</source>
        <translation>Plus lent</translation>
    </message>
    <message>
        <source>Faster</source>
        <translation>Plus rapide</translation>
    </message>
    <message>
        <source>Normal speed</source>
        <translation>Vitesse normale</translation>
    </message>
    <message>
        <source>Subtitles 100 ms earlier</source>
        <translation>Sous-titres 100 ms plus tôt</translation>
    </message>
    <message>
        <source>Subtitles 100 ms later</source>
        <translation>Sous-titres 100 ms plus tard</translation>
    </message>
    <message>
        <source>Play or pause</source>
        <translation>Lecture ou pause</translation>
    </message>
    <message>
        <source>Back 5 seconds</source>
        <translation>Reculer de 5 secondes</translation>
    </message>
    <message>
        <source>Forward 5 seconds</source>
        <translation>Avancer de 5 secondes</translation>
    </message>
    <message>
        <source>Back 1 second</source>
        <translation>Reculer d’1 seconde</translation>
    </message>
    <message>
        <source>Forward 1 second</source>
        <translation>Avancer d’1 seconde</translation>
    </message>
    <message>
        <source>Back 1 minute</source>
        <translation>Reculer d’1 minute</translation>
    </message>
    <message>
        <source>Forward 1 minute</source>
        <translation>Avancer d’1 minute</translation>
    </message>
    <message>
        <source>Go to the beginning</source>
        <translation>Aller au début</translation>
    </message>
    <message>
        <source>Go to the end</source>
        <translation>Aller à la fin</translation>
    </message>
    <message>
        <source>Next picture (while paused)</source>
        <translation>Image suivante (en pause)</translation>
    </message>
    <message>
        <source>Previous picture (while paused)</source>
        <translation>Image précédente (en pause)</translation>
    </message>
    <message>
        <source>Previous chapter</source>
        <translation>Chapitre précédent</translation>
    </message>
    <message>
        <source>Next chapter</source>
        <translation>Chapitre suivant</translation>
    </message>
    <message>
        <source>Volume up 5 %</source>
        <translation>Volume +5 %</translation>
    </message>
    <message>
        <source>Volume down 5 %</source>
        <translation>Volume −5 %</translation>
    </message>
    <message>
        <source>Mute or unmute</source>
        <translation>Couper ou rétablir le son</translation>
    </message>
    <message>
        <source>Full screen on or off</source>
        <translation>Plein écran ou fenêtre</translation>
    </message>
    <message>
        <source>Leave full screen</source>
        <translation>Quitter le plein écran</translation>
    </message>
    <message>
        <source>Save the picture as a PNG file</source>
        <translation>Enregistrer l’image dans un fichier PNG</translation>
    </message>
    <message>
        <source>Save the picture with its subtitles</source>
        <translation>Enregistrer l’image avec ses sous-titres</translation>
    </message>
    <message>
        <source>Media information</source>
        <translation>Informations sur le média</translation>
    </message>
    <message>
        <source>Open a file</source>
        <translation>Ouvrir un fichier</translation>
    </message>
    <message>
        <source>This list of keys</source>
        <translation>Cette liste de touches</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Quitter</translation>
    </message>
    <message>
        <source>Click on the picture</source>
        <translation>Clic sur l’image</translation>
    </message>
    <message>
        <source>Double-click on the picture</source>
        <translation>Double-clic sur l’image</translation>
    </message>
    <message>
        <source>Right-click on the picture</source>
        <translation>Clic droit sur l’image</translation>
    </message>
    <message>
        <source>Menu of the most used commands</source>
        <translation>Menu des commandes les plus utilisées</translation>
    </message>
    <message>
        <source>Wheel</source>
        <translation>Molette</translation>
    </message>
    <message>
        <source>Volume up or down 5 %</source>
        <translation>Volume +/− 5 %</translation>
    </message>
    <message>
        <source>Click on the seek bar</source>
        <translation>Clic sur la barre de position</translation>
    </message>
    <message>
        <source>Go to that place (hover shows its time)</source>
        <translation>Aller à cet endroit (le survol en affiche le temps)</translation>
    </message>
    <message>
        <source>Click on the time</source>
        <translation>Clic sur le temps</translation>
    </message>
    <message>
        <source>Show the time played or the time left</source>
        <translation>Afficher le temps écoulé ou le temps restant</translation>
    </message>
    <message>
        <source>Keyboard Shortcuts</source>
        <translation>Raccourcis clavier</translation>
    </message>
    <message>
        <source>Key or mouse</source>
        <translation>Touche ou souris</translation>
    </message>
    <message>
        <source>Action</source>
        <translation>Action</translation>
    </message>
</context>
<context>
    <name>MovraMediaInformation</name>
    <message>
        <source>Media Information</source>
        <translation>Informations sur le média</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Copier</translation>
    </message>
    <message>
        <source>No file open</source>
        <translation>Aucun fichier ouvert</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Vidéo</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>Subtitles</source>
        <translation>Sous-titres</translation>
    </message>
    <message>
        <source>Attachment</source>
        <translation>Pièce jointe</translation>
    </message>
    <message>
        <source>Data</source>
        <translation>Données</translation>
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
        <translation>Conteneur</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Durée</translation>
    </message>
    <message>
        <source>Overall bit rate</source>
        <translation>Débit global</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titre</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>Artiste</translation>
    </message>
    <message>
        <source>Album</source>
        <translation>Album</translation>
    </message>
    <message>
        <source>Chapters</source>
        <translation>Chapitres</translation>
    </message>
    <message>
        <source>Stream %1: %2</source>
        <translation>Flux %1 : %2</translation>
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
        <translation>Définition</translation>
    </message>
    <message>
        <source>Frame rate</source>
        <translation>Fréquence d’images</translation>
    </message>
    <message>
        <source>%1 frames a second</source>
        <translation>%1 images par seconde</translation>
    </message>
    <message>
        <source>Pixel format</source>
        <translation>Format de pixel</translation>
    </message>
    <message>
        <source>Colour space</source>
        <translation>Espace colorimétrique</translation>
    </message>
    <message>
        <source>Sample rate</source>
        <translation>Fréquence d’échantillonnage</translation>
    </message>
    <message>
        <source>%1 Hz</source>
        <translation>%1 Hz</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>Canaux</translation>
    </message>
    <message>
        <source>Bit rate</source>
        <translation>Débit</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Langue</translation>
    </message>
    <message>
        <source>Decoder</source>
        <translation>Décodeur</translation>
    </message>
    <message>
        <source>%1 %2 (%3)</source>
        <translation>%1 %2 (%3)</translation>
    </message>
    <message>
        <source>none installed</source>
        <translation>aucun installé</translation>
    </message>
</context>
<context>
    <name>MovraScreenshot</name>
    <message>
        <source>There is no picture to save.</source>
        <translation>Il n’y a aucune image à enregistrer.</translation>
    </message>
    <message>
        <source>The picture could not be saved: the folder %1 cannot be made.</source>
        <translation>L’image n’a pas pu être enregistrée : le dossier %1 ne peut pas être créé.</translation>
    </message>
    <message>
        <source>The picture could not be saved in %1: %2</source>
        <translation>L’image n’a pas pu être enregistrée dans %1 : %2</translation>
    </message>
</context>
</TS>
