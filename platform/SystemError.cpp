#include "platform/SystemError.h"

#include <cerrno>
#include <cstring>

#include "platform/Encoding.h"

namespace platform {
namespace {

struct Entry {
    uint32_t code;
    const char* text;  // UTF-8
};

constexpr Entry kMessages[] = {
    {0, "L'opération a réussi."},
    {2, "Le fichier spécifié est introuvable."},
    {3, "Le chemin d'accès spécifié est introuvable."},
    {4, "Le système ne peut pas ouvrir le fichier : trop de fichiers sont ouverts."},
    {5, "Accès refusé."},
    {6, "Descripteur de fichier non valide."},
    {8, "Mémoire insuffisante pour traiter cette commande."},
    {19, "Le support est protégé en écriture."},
    {32, "Le fichier est en cours d'utilisation par un autre processus."},
    {53, "Le chemin réseau n'a pas été trouvé."},
    {64, "Le nom réseau spécifié n'est plus disponible."},
    {80, "Le fichier existe."},
    {87, "Paramètre incorrect."},
    {112, "Espace insuffisant sur le disque."},
    {121, "Le délai d'attente de l'opération a expiré."},
    {123, "La syntaxe du nom de fichier, de répertoire ou de volume est incorrecte."},
    {145, "Le répertoire n'est pas vide."},
    {206, "Le nom de fichier ou l'extension est trop long."},
    {223, "La taille du fichier dépasse la limite autorisée et ne peut pas être enregistrée."},
    {1117, "La requête n'a pas pu être exécutée en raison d'une erreur de périphérique d'E/S."},
};

thread_local uint32_t t_lastError = 0;
thread_local int t_lastErrno = 0;

}  // namespace

uint32_t SystemError::FromErrno(int err, bool creating) {
    switch (err) {
        case 0: return kSuccess;
        case ENOSPC:
        case EDQUOT: return kDiskFull;
        case ENOENT: return creating ? kPathNotFound : kFileNotFound;
        case ENOTDIR: return kPathNotFound;
        case EACCES:
        case EPERM:
        case EISDIR: return kAccessDenied;
        case EBADF: return kInvalidHandle;
        case ENOMEM: return kNotEnoughMemory;
        case EROFS: return kWriteProtect;
        case EBUSY:
        case ETXTBSY: return kSharingViolation;
        case EEXIST: return kFileExists;
        case EINVAL: return kInvalidParameter;
        case ENAMETOOLONG: return kFilenameTooLong;
        case EMFILE:
        case ENFILE: return kTooManyOpenFiles;
        case EFBIG: return kFileTooLarge;
        case ENOTEMPTY: return kDirNotEmpty;
        case EIO: return kIoDevice;
        case ESTALE:
        case ECONNRESET:
        case ECONNABORTED:
        case ENOTCONN:
        case EPIPE: return kNetNameDeleted;
        case ENETDOWN:
        case ENETUNREACH:
        case EHOSTUNREACH:
        case EHOSTDOWN: return kBadNetPath;
        case ETIMEDOUT: return kSemTimeout;
        default: return kIoDevice;
    }
}

bool SystemError::Message(uint32_t code, std::string* ansi) {
    for (const Entry& e : kMessages) {
        if (e.code == code) {
            *ansi = Encoding::Utf8ToAnsi(e.text);
            return true;
        }
    }
    ansi->clear();
    return false;
}

std::string SystemError::UnmappedText(int err) {
    if (err == 0 || err == EIO || FromErrno(err) != kIoDevice) return std::string();
    const char* name = strerrorname_np(err);
    const char* text = strerrordesc_np(err);
    std::string out = name ? name : "errno " + std::to_string(err);
    if (text) out.append(" : ").append(text);
    return Encoding::Utf8ToAnsi(out);
}

uint32_t LastError::Get() { return t_lastError; }

int LastError::GetErrno() { return t_lastErrno; }

void LastError::Set(uint32_t code) {
    t_lastError = code;
    t_lastErrno = 0;
}

void LastError::SetFromErrno(int err, bool creating) {
    t_lastError = SystemError::FromErrno(err, creating);
    t_lastErrno = err;
}

}  // namespace platform
