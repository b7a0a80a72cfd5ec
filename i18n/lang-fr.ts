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
</context>
</TS>
